#pragma once
namespace totem::server {

class SqliteConnection;

// Brings the database up to the newest schema, applying each migration not
// yet recorded in schema_migrations in a transaction of its own. Refuses
// (StoreError) a database written by a newer server.
void ApplyMigrations(SqliteConnection& connection);

}  // namespace totem::server
