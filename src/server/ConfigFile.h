#pragma once
// The server's configuration file (/etc/est-server/est-server.conf when installed): one
// setting a line, "name = value", named as the long command-line options; '#' starts a comment.

#include <QList>
#include <QString>

#include <utility>

namespace server {

using ConfigSettings = QList<std::pair<QString, QString>>; // in file order; names may repeat

// Throws std::runtime_error naming the file and the line for anything else than a setting,
// a comment or a blank line, and for a name outside allowedNames.
ConfigSettings readConfigFile(const QString& path, const QStringList& allowedNames);

} // namespace server
