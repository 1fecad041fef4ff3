#pragma once
// The store on an SQLite file: WAL lets the HTTP workers read in parallel
// while writers queue on SQLite's write lock.
#include "server/store/sql_store.h"
#include "server/store/sqlite_connection.h"

#include <memory>
#include <string>

namespace totem::server {

struct SqliteDialect {
  using Connection = SqliteConnection;
  // IMMEDIATE takes the write lock at once, so the checks made inside the
  // transaction still hold when it commits.
  // Whether this process's writers take turns before starting (SQLite has
  // one write lock per file; PostgreSQL locks rows).
  static constexpr bool kOneWriterAtATime = true;
  static constexpr const char* kBeginWrite = "BEGIN IMMEDIATE";
  // Dates are stored as ISO 8601 text already.
  static constexpr const char* kSelectGrupos =
      "SELECT cdgrupprod, nmgrupprod, dtultatugppr, idcadnvsubgr, idgrprodvmn"
      " FROM grupo_produto ORDER BY cdgrupprod";
  // The write lock of BEGIN IMMEDIATE already keeps other saves out.
  static constexpr const char* kLockCaixa = sql::kCaixaExists;
  // The same write lock keeps a second seeder out until the first commits.
  static constexpr const char* kLockForSeeding = "";
  // Copies take their numbers under the write lock already.
  static constexpr const char* kLockCopias = "";
  // Many registers at once: the write lock covers them too.
  static constexpr const char* kLockRowsSuffix = "";
  // One server owns the file: it learns of its own changes in process.
  static constexpr const char* kNotify = "";
  static std::unique_ptr<Connection> Connect(const std::string& path);
  // A connection of its own that looks for other processes' commits (an
  // import run beside the server) every pollMs milliseconds; none for 0.
  static std::unique_ptr<ChangeListener> Listen(const std::string& path,
                                                const ChangeObserver& observer,
                                                const VersionReader& versions, int pollMs);
  static std::string Name(const std::string& path) { return path; }
  // SQLite's quick_check over the whole file: a file with damaged pages is
  // refused before anything is written into it.
  static void CheckIntegrity(Connection& connection);
  static void Migrate(Connection& connection, const std::string& path);
  // The file opens for writing now and its write lock can be had.
  static void CheckWritable(Connection& connection, const std::string& path);
  static bool Broken(Connection&) { return false; }  // a file does not go away
  // Read from the file's WAL-index (wal_index_stamp.h).
  static std::unique_ptr<CommitStampSource> OpenStamps(const std::string& path);
};

using SqliteStore = SqlStore<SqliteDialect>;
extern template class SqlStore<SqliteDialect>;

}  // namespace totem::server
