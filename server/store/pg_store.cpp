#include "server/store/pg_store.h"

#include "server/store/migration_runner.h"

namespace totem::server {
namespace {

// Any number of ours: the lock only has to be the same for every server.
constexpr const char* kLockMigrations = "SELECT pg_advisory_lock(744110001)";
constexpr const char* kUnlockMigrations = "SELECT pg_advisory_unlock(744110001)";

}  // namespace

std::unique_ptr<PgConnection> PgDialect::Connect(const std::string& conninfo) {
  return std::make_unique<PgConnection>(conninfo);
}

void PgDialect::Migrate(PgConnection& connection) {
  connection.Exec(kLockMigrations);
  try {
    RunMigrations(connection, "BEGIN", "PostgreSQL");
  } catch (...) {
    try {
      connection.Exec(kUnlockMigrations);
    } catch (const StoreError&) {
    }
    throw;
  }
  connection.Exec(kUnlockMigrations);
}

template class SqlStore<PgDialect>;

}  // namespace totem::server
