#include "server/store/sqlite_migrations.h"

#include "server/store/migration_runner.h"
#include "server/store/sqlite_connection.h"

#include <sqlite3.h>

namespace totem::server {

// Read-only, and before the file is opened as the server opens it (which
// switches it to write-ahead logging): another program's file is left
// exactly as it was. A file SQLite cannot read is left to that opening to
// report.
void RefuseForeignDatabase(const std::string& path) {
  sqlite3* db = nullptr;
  bool foreign = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* tables = nullptr;
    // Tables, but not this server's record of its schema (which a server
    // creates before any table of its own, in one transaction).
    if (sqlite3_prepare_v2(db,
                           "SELECT COUNT(*), COUNT(CASE WHEN name = 'schema_migrations' THEN 1 END)"
                           " FROM sqlite_master WHERE type = 'table'",
                           -1, &tables, nullptr) == SQLITE_OK &&
        sqlite3_step(tables) == SQLITE_ROW)
      foreign = sqlite3_column_int64(tables, 0) > 0 && sqlite3_column_int64(tables, 1) == 0;
    sqlite3_finalize(tables);
  }
  sqlite3_close(db);
  if (foreign)
    throw StoreError(
        "a base " + path +
        " não tem as tabelas deste servidor: é de outro programa ou não é a base do totem-server");
}

void ApplyMigrations(SqliteConnection& connection) {
  // BEGIN IMMEDIATE takes the write lock up front, so two servers starting
  // on the same file apply each migration once.
  RunMigrations(connection, "BEGIN IMMEDIATE", connection.Path());
}

}  // namespace totem::server
