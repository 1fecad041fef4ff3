#include "server/store/sqlite_store.h"

#include "server/store/sqlite_migrations.h"

namespace totem::server {

std::unique_ptr<SqliteConnection> SqliteDialect::Connect(const std::string& path) {
  return std::make_unique<SqliteConnection>(path);
}

void SqliteDialect::Migrate(SqliteConnection& connection) { ApplyMigrations(connection); }

template class SqlStore<SqliteDialect>;

}  // namespace totem::server
