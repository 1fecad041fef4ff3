#include "server/store/sqlite_store.h"

#include "server/log/server_log.h"
#include "server/store/sqlite_migrations.h"
#include "server/store/wal_index_stamp.h"

#include <sqlite3.h>
#include <unistd.h>

namespace totem::server {

std::unique_ptr<SqliteConnection> SqliteDialect::Connect(const std::string& path) {
  return std::make_unique<SqliteConnection>(path);
}

std::unique_ptr<CommitStampSource> SqliteDialect::OpenStamps(const std::string& path) {
  return WalIndexStamp::Open(path);
}

void SqliteDialect::CheckIntegrity(SqliteConnection& connection) {
  // quick_check answers one row "ok", or one row per problem found. A file
  // damaged badly enough fails the statement itself.
  constexpr int kProblemsShown = 3;
  std::string problems;
  try {
    auto check = connection.Prepare("PRAGMA quick_check(" + std::to_string(kProblemsShown) + ")");
    while (check.Step()) {
      const std::string row = check.Text(0);
      // A row may span lines ("*** in database main ***\nPage 5: ...").
      if (row != "ok") problems += (problems.empty() ? "" : "; ") + OneLine(row);
    }
  } catch (const StoreError& error) {
    problems = OneLine(error.what());
  }
  if (!problems.empty())
    throw StoreError("a base " + connection.Path() + " está danificada (" + problems +
                     "); restaure a cópia de segurança mais recente");
}

void SqliteDialect::Migrate(SqliteConnection& connection, const std::string&) {
  ApplyMigrations(connection);
}

void SqliteDialect::CheckWritable(SqliteConnection&, const std::string& path) {
  // Asked of the file system first: SQLite hands a new connection a file
  // descriptor another one of this process left open, so a connection opened
  // now may still write a file whose permissions changed since.
  const bool writable = ::access(path.c_str(), W_OK) == 0;
  // A connection of its own: the pooled ones were opened when the file
  // allowed more, perhaps. SQLite opens a file it may not write read-only,
  // without an error; only the first write would fail.
  SqliteConnection connection(path);
  if (!writable || sqlite3_db_readonly(connection.Handle(), "main") == 1)
    throw StoreError("a base " + path +
                     " só pode ser lida: o arquivo (ou a pasta dele) não dá permissão de "
                     "escrita a este usuário, ou está num sistema de arquivos somente leitura");
  connection.Exec("BEGIN IMMEDIATE");
  // A disk that takes no more bytes (full, or a file-size limit) shows only
  // when bytes go to it: a row is added and its page written out to the
  // write-ahead log, where a save's pages would go; the rollback leaves
  // that frame uncommitted, for the next write to overwrite.
  int written = SQLITE_OK;
  std::string detail;
  try {
    connection.Exec(
        "INSERT INTO schema_migrations (version, name, applied_at) VALUES (-1, 'escrita', '')");
    written = sqlite3_db_cacheflush(connection.Handle());
    if (written != SQLITE_OK) detail = sqlite3_errstr(written);
  } catch (const StoreError& error) {
    written = SQLITE_IOERR;
    detail = error.what();
  }
  // SQLite may have rolled back on its own after a failed write.
  if (sqlite3_get_autocommit(connection.Handle()) == 0) connection.Exec("ROLLBACK");
  if (written != SQLITE_OK)
    throw StoreError("a base " + path +
                     " não consegue gravar no disco agora (disco cheio, limite de tamanho de "
                     "arquivo ou falha de E/S): " +
                     detail);
}

template class SqlStore<SqliteDialect>;

}  // namespace totem::server
