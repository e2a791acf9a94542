#pragma once
// The database schema, one source for SQLite and PostgreSQL (docs/schema.md).

#include <server/Database.h>

namespace server {

// True when the sample table exists.
bool schemaExists(Session& session);
// Creates every table, index and the settings rows, in one transaction.
void createSchema(Session& session);
// Creates the tables that a database made by an earlier version lacks.
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
