#pragma once
// A refusal with its HTTP status, a short code and a message for the user (Portuguese).

#include <QString>

#include <stdexcept>

namespace server {

class RpcError : public std::runtime_error {
public:
    RpcError(int status, QString code, QString message)
        : std::runtime_error(message.toStdString()), status_(status), code_(std::move(code)),
          message_(std::move(message)) {}
    int status() const { return status_; }
    const QString& code() const { return code_; }
    const QString& message() const { return message_; }

private:
    int status_;
    QString code_;
    QString message_;
};

inline RpcError badRequest(const QString& message) {
    return RpcError(400, QStringLiteral("bad_request"), message);
}
inline RpcError conflict(const QString& message) {
    return RpcError(409, QStringLiteral("conflict"), message);
}
inline RpcError refused(const QString& message) {
    return RpcError(422, QStringLiteral("refused"), message);
}

} // namespace server
