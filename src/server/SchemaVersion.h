#pragma once
// The version of the schema a database holds (table VERSAOESQUEMA, one row per version
// reached) and the steps that bring an older database to the version this build serves.
//
// HOW TO CHANGE THE SCHEMA: append a step to kSchemaSteps in SchemaVersion.cpp with the next
// number, raise kSchemaVersion to that number, and describe the change in docs/schema.md.
// Never edit a step already released, nor the tables of version 1 in Schema.cpp: a new
// database is made of version 1 and then every step, so new and migrated databases match.

#include <server/Database.h>

namespace server {

inline constexpr int kSchemaVersion = 4;

// 0 when the database has no schema; 1 for a database made before versions were recorded.
int schemaVersion(Session& session);
// Brings the database to kSchemaVersion in one transaction, creating the schema when it has
// none; returns the version found. Throws std::runtime_error for a newer database.
int migrateSchema(Session& session);
// Throws std::runtime_error, saying what to run, unless the database records kSchemaVersion.
void requireCurrentSchema(Session& session, const QString& databaseUrl);

} // namespace server
