#pragma once
// The exceptions the host framework raises. Every handler called from Qt runs inside an
// event boundary that catches them: EAbort silently (its message was already shown),
// anything else through the application's default error display.

#include <QString>

#include <stdexcept>

namespace host {

// An error with a text meant for the user (Portuguese).
class EHostError : public std::runtime_error {
public:
    explicit EHostError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A call whose request was sent but whose answer never came (the connection dropped, the
// server stopped): the server may or may not have done the work.
class ENoAnswer : public EHostError {
public:
    explicit ENoAnswer(const QString& message) : EHostError(message) {}
};

// The server answered the call with an error, of that HTTP status: a 4xx refused it (nothing
// was done, and the same call would be refused again); a 5xx is a failure of the server or
// of its database, which the same call may get past later.
class EServerError : public EHostError {
public:
    EServerError(const QString& message, int status) : EHostError(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// Ends the operation under way without any further report.
class EAbort : public EHostError {
public:
    explicit EAbort(const QString& message = QString()) : EHostError(message) {}
};

} // namespace host
