#pragma once
// The database schema, one source for SQLite and PostgreSQL (docs/schema.md).

#include <server/Database.h>

namespace server {

// True when the table exists (name in upper case).
bool tableExists(Session& session, const QString& name);
// True when the sample table exists.
bool schemaExists(Session& session);
// Creates the schema at the current version (SchemaVersion.h), in one transaction.
void createSchema(Session& session);
// Version 1: every table, index and the settings rows, in the caller's transaction.
void createFirstVersion(Session& session);
// Creates the tables of version 1 that a database made before versions were recorded lacks.
void addMissingTables(Session& session);
// The role of the desktops' direct reads on PostgreSQL: it may log in and read the tables
// the screens query, and nothing else (every write goes through the server).
inline constexpr const char* kReadOnlyRole = "est_leitura";
// Creates that role when missing and grants it SELECT on those tables; nothing on SQLite.
// Throws DbError when the connected user may not create roles.
void grantReadOnlyRole(Session& session);
// True when no sample, product or supplier is stored yet.
bool databaseIsEmpty(Session& session);

} // namespace server
