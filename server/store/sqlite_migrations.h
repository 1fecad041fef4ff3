#pragma once
#include <string>

namespace totem::server {

class SqliteConnection;

// Refuses (StoreError, naming the file) an SQLite file that holds tables
// but not this server's: another program's database, which this server
// must neither add its tables to nor change.
void RefuseForeignDatabase(const std::string& path);

// Brings the database up to the newest schema, applying each migration not
// yet recorded in schema_migrations in a transaction of its own. Refuses
// (StoreError) a database written by a newer server.
void ApplyMigrations(SqliteConnection& connection);

}  // namespace totem::server
