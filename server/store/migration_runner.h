#pragma once
// Applies the numbered migrations a database has not recorded yet, in order,
// each with its record in one transaction, on any connection type with
// Exec/Prepare. The caller makes sure two servers starting together do not
// both apply one (SQLite: the write lock of BEGIN IMMEDIATE; PostgreSQL: an
// advisory lock held around the whole run).
#include "server/store/migrations.h"
#include "server/store/store.h"

#include <ctime>
#include <set>
#include <string>

namespace totem::server {

inline std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

template <class Connection, class Body>
void InTransaction(Connection& connection, const char* begin, Body&& body) {
  connection.Exec(begin);
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

template <class Connection>
std::set<int> AppliedVersions(Connection& connection) {
  std::set<int> applied;
  auto select = connection.Prepare("SELECT version FROM schema_migrations");
  while (select.Step()) applied.insert(static_cast<int>(select.Int(0)));
  return applied;
}

template <class Connection>
void RunMigrations(Connection& connection, const char* begin, const std::string& where) {
  const auto known = Migrations();
  const int newestKnown = known.empty() ? 0 : known.back().version;
  InTransaction(connection, begin, [&] {
    connection.Exec(
        "CREATE TABLE IF NOT EXISTS schema_migrations ("
        " version INTEGER NOT NULL PRIMARY KEY,"
        " name VARCHAR(100) NOT NULL,"
        " applied_at VARCHAR(32) NOT NULL)");
    const auto applied = AppliedVersions(connection);
    if (!applied.empty() && *applied.rbegin() > newestKnown)
      throw StoreError("a base " + where + " está na versão " + std::to_string(*applied.rbegin()) +
                       " do esquema, mais nova que a " + std::to_string(newestKnown) +
                       " deste servidor");
  });
  for (const auto& migration : known) {
    InTransaction(connection, begin, [&] {
      if (AppliedVersions(connection).count(migration.version)) return;
      connection.Exec(migration.sql);
      connection
          .Prepare("INSERT INTO schema_migrations (version, name, applied_at) VALUES (?, ?, ?)")
          .BindInt(1, migration.version)
          .Bind(2, migration.name)
          .Bind(3, UtcNow())
          .Run();
    });
  }
}

}  // namespace totem::server
