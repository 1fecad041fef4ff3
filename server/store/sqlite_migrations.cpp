#include "server/store/sqlite_migrations.h"

#include "server/store/migration_runner.h"
#include "server/store/sqlite_connection.h"

namespace totem::server {

void ApplyMigrations(SqliteConnection& connection) {
  // A database that has tables but not this server's record of its schema
  // belongs to another program: adding this server's tables to it would
  // mix two programs' data in one file. (A server applying the first
  // migration creates that record before any table, in one transaction.)
  bool foreign = false;
  {
    auto tables = connection.Prepare(
        "SELECT COUNT(*), COUNT(CASE WHEN name = 'schema_migrations' THEN 1 END) FROM sqlite_master"
        " WHERE type = 'table'");
    tables.Step();
    foreign = tables.Int(0) > 0 && tables.Int(1) == 0;
  }
  if (foreign)
    throw StoreError("a base " + connection.Path() +
                     " não tem as tabelas deste servidor: é de outro programa ou não é a base do totem-server");
  // BEGIN IMMEDIATE takes the write lock up front, so two servers starting
  // on the same file apply each migration once.
  RunMigrations(connection, "BEGIN IMMEDIATE", connection.Path());
}

}  // namespace totem::server
