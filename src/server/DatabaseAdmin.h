#pragma once
// What an administrator runs on a database besides serving it: the schema migration, a
// consistent copy of an SQLite database while the server runs, and a check.

#include <server/Database.h>

#include <QStringList>

namespace server {

// Brings the database to this build's schema version; returns a line for the administrator.
// Throws std::runtime_error when it has no schema or is newer than this build.
QString migrateDatabase(const DatabaseUrl& url);
// Copies an SQLite database to target with SQLite's online backup: one consistent state, taken
// while the server goes on writing. The copy appears under that name only when complete.
// Throws std::runtime_error (PostgreSQL databases are copied with pg_dump).
void backupDatabase(const DatabaseUrl& url, const QString& target);
// What is wrong with the database, in words for the administrator: the file's integrity and
// references (SQLite), the schema version, and every table and column of the current schema.
// Empty when sound.
QStringList checkDatabase(const DatabaseUrl& url);

} // namespace server
