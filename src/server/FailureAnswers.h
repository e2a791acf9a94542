#pragma once
// What the client is told of a database failure: 503 with a code and a message that says
// whether anything was stored and what to do (docs/protocol.md).

#include <server/Database.h>
#include <server/HttpServer.h>

#include <QString>

namespace server {

HttpAnswer errorAnswer(int status, const QString& code, const QString& message);

// failure: any kind but Other (a fault of the server's own, answered 500). keyed: the
// request carried an idempotency key, so that repeating it unchanged is safe.
HttpAnswer dbFailureAnswer(DbFailure failure, bool keyed);

} // namespace server
