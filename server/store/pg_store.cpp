#include "server/store/pg_store.h"

#include "server/store/migration_runner.h"
#include "server/store/store_factory.h"

namespace totem::server {
namespace {

// Any number of ours: the lock only has to be the same for every server.
constexpr const char* kLockMigrations = "SELECT pg_advisory_lock(744110001)";
constexpr const char* kUnlockMigrations = "SELECT pg_advisory_unlock(744110001)";

}  // namespace

std::unique_ptr<PgConnection> PgDialect::Connect(const std::string& conninfo) {
  return std::make_unique<PgConnection>(conninfo);
}

namespace {

// A standby, or a database whose transactions are read-only by default,
// takes no write; the migrations are the first to need one.
void RefuseReadOnly(PgConnection& connection, const std::string& where) {
  auto check = connection.Prepare(
      "SELECT pg_is_in_recovery(), current_setting('default_transaction_read_only') = 'on'");
  check.Step();
  if (check.Text(0) == "t")
    throw StoreError(where + " é uma réplica em recuperação e só pode ser lida");
  if (check.Text(1) == "t")
    throw StoreError(where + " só aceita transações de leitura (default_transaction_read_only)");
}

}  // namespace

void PgDialect::Migrate(PgConnection& connection, const std::string& conninfo) {
  RefuseReadOnly(connection, "a base " + Name(conninfo));
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

std::string PgDialect::Name(const std::string& conninfo) { return DatabaseForLog(conninfo); }

void PgDialect::CheckWritable(PgConnection& connection, const std::string& conninfo) {
  const std::string where = "a base " + Name(conninfo);
  RefuseReadOnly(connection, where);
  auto check = connection.Prepare(
      "SELECT has_table_privilege('parametro_totem', 'INSERT, UPDATE')"
      " AND has_table_privilege('parametro_totem_historico', 'INSERT')");
  check.Step();
  if (check.Text(0) != "t")
    throw StoreError(where + " não dá a este usuário permissão de gravar os parâmetros");
}

template class SqlStore<PgDialect>;

}  // namespace totem::server
