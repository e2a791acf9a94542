#pragma once
// The error the dataset toolkit raises: a wrong operation for the state, a missing field, a
// value that does not fit its field. Its text is meant for the user.

#include <QString>

#include <stdexcept>

namespace dataset {

class DataSetError : public std::runtime_error {
public:
    explicit DataSetError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace dataset
