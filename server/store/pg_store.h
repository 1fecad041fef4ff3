#pragma once
// The store on PostgreSQL, for chains that run several application servers
// over one database. Same schema, migrations and SQL as the SQLite store;
// the differences are the members of the dialect below.
#include "server/store/change_feed.h"
#include "server/store/pg_connection.h"
#include "server/store/sql_store.h"

#include <memory>
#include <string>

namespace totem::server {

struct PgDialect {
  using Connection = PgConnection;
  // Whether this process's writers take turns before starting (SQLite has
  // one write lock per file; PostgreSQL locks rows).
  static constexpr bool kOneWriterAtATime = false;
  static constexpr const char* kBeginWrite = "BEGIN";
  // PostgreSQL writes timestamps with a space; the wire wants ISO 8601.
  static constexpr const char* kSelectGrupos =
      "SELECT cdgrupprod, nmgrupprod, to_char(dtultatugppr, 'YYYY-MM-DD\"T\"HH24:MI:SS'),"
      " idcadnvsubgr, idgrprodvmn FROM grupo_produto ORDER BY cdgrupprod";
  // Saves run at READ COMMITTED; locking the register's row makes the saves
  // of one register take turns. NO KEY UPDATE is enough, since the key never
  // changes, and it leaves other transactions' foreign-key checks unblocked.
  static constexpr const char* kLockCaixa =
      "SELECT 1 FROM caixa c WHERE c.cdfilial = ? AND c.cdcaixa = ? AND " TOTEM_CAIXA_EM_USO
      " FOR NO KEY UPDATE OF c";
  // A lock that conflicts with itself: servers seeding an empty database at
  // once take turns, and the second finds it filled.
  static constexpr const char* kLockForSeeding = "LOCK TABLE filial IN SHARE ROW EXCLUSIVE MODE";
  // Copies take turns on their numbers (a lock of the transaction, freed
  // when it ends; it needs no right on any table).
  static constexpr const char* kLockCopias = "SELECT pg_advisory_xact_lock(744110002)";
  // Many registers at once, locked as kLockCaixa locks one.
  static constexpr const char* kLockRowsSuffix = " FOR NO KEY UPDATE OF c";
  // Delivered to every listening server when the transaction commits.
  static constexpr const char* kNotify = "SELECT pg_notify(?, ?)";
  static std::unique_ptr<Connection> Connect(const std::string& conninfo);
  // A connection of its own LISTENing for the other servers' notifications.
  // (Notifications come as they are sent: nothing is polled.)
  static std::unique_ptr<ChangeListener> Listen(const std::string& conninfo,
                                                ChangeObserver observer, VersionReader versions,
                                                int pollMs);
  // The address without its password, for messages.
  static std::string Name(const std::string& conninfo);
  // PostgreSQL checks its own pages; reaching the server and, after the
  // migrations, finding every table is what start-up asks of it.
  static void CheckIntegrity(Connection&) {}
  // Refuses a standby or read-only database, which no migration could
  // write; takes an advisory lock around the migrations, so servers
  // starting together apply each one once.
  static void Migrate(Connection& connection, const std::string& conninfo);
  static bool Broken(Connection& connection) { return connection.Broken(); }
  // Not a standby, not read-only by default, and the tables a save writes
  // may be written by this user.
  static void CheckWritable(Connection& connection, const std::string& conninfo);
  // The database is another machine's: asking whether it changed is a query.
  static std::unique_ptr<CommitStampSource> OpenStamps(const std::string&) { return nullptr; }
};

using PgStore = SqlStore<PgDialect>;
extern template class SqlStore<PgDialect>;

}  // namespace totem::server
