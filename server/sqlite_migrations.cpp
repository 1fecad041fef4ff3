#include "server/sqlite_migrations.h"

#include "server/migrations.h"
#include "server/sqlite_connection.h"
#include "server/store.h"

#include <ctime>
#include <set>

namespace totem::server {
namespace {

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// Runs body inside one IMMEDIATE transaction: it takes the write lock up
// front, so two servers starting on the same file apply each migration once.
template <class Body>
void InTransaction(SqliteConnection& connection, Body&& body) {
  connection.Exec("BEGIN IMMEDIATE");
  try {
    body();
    connection.Exec("COMMIT");
  } catch (...) {
    try {
      connection.Exec("ROLLBACK");
    } catch (const StoreError&) {
    }
    throw;
  }
}

std::set<int> AppliedVersions(SqliteConnection& connection) {
  std::set<int> applied;
  auto select = connection.Prepare("SELECT version FROM schema_migrations");
  while (select.Step()) applied.insert(static_cast<int>(select.Int(0)));
  return applied;
}

}  // namespace

void ApplyMigrations(SqliteConnection& connection) {
  const auto known = Migrations();
  const int newestKnown = known.empty() ? 0 : known.back().version;
  InTransaction(connection, [&] {
    connection.Exec(
        "CREATE TABLE IF NOT EXISTS schema_migrations ("
        " version INTEGER NOT NULL PRIMARY KEY,"
        " name VARCHAR(100) NOT NULL,"
        " applied_at VARCHAR(32) NOT NULL)");
    const auto applied = AppliedVersions(connection);
    if (!applied.empty() && *applied.rbegin() > newestKnown)
      throw StoreError("a base " + connection.Path() + " está na versão " +
                       std::to_string(*applied.rbegin()) + " do esquema, mais nova que a " +
                       std::to_string(newestKnown) + " deste servidor");
  });

  // Each migration with its record in a transaction of its own.
  for (const auto& migration : known) {
    InTransaction(connection, [&] {
      if (AppliedVersions(connection).count(migration.version)) return;
      connection.Exec(migration.sql);
      connection.Prepare("INSERT INTO schema_migrations (version, name, applied_at) VALUES (?, ?, ?)")
          .BindInt(1, migration.version)
          .Bind(2, migration.name)
          .Bind(3, UtcNow())
          .Run();
    });
  }
}

}  // namespace totem::server
