#pragma once
namespace totem::server {

class SqliteConnection;

// Brings the database up to the newest schema in one transaction. Refuses
// (StoreError) a database written by a newer server.
void ApplyMigrations(SqliteConnection& connection);

}  // namespace totem::server
