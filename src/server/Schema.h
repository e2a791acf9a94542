#pragma once
// The database schema, one source for SQLite and PostgreSQL (docs/schema.md).

#include "Database.h"

namespace server {

// True when the sample table exists.
bool schemaExists(Session& session);
// Creates every table, index and the settings rows, in one transaction.
void createSchema(Session& session);
// True when no sample, product or supplier is stored yet.
bool databaseIsEmpty(Session& session);

} // namespace server
