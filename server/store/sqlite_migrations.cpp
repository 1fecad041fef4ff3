#include "server/store/sqlite_migrations.h"

#include "server/store/migration_runner.h"
#include "server/store/sqlite_connection.h"

namespace totem::server {

void ApplyMigrations(SqliteConnection& connection) {
  // BEGIN IMMEDIATE takes the write lock up front, so two servers starting
  // on the same file apply each migration once.
  RunMigrations(connection, "BEGIN IMMEDIATE", connection.Path());
}

}  // namespace totem::server
