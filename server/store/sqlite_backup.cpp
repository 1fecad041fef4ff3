#include "server/store/sqlite_backup.h"

#include "server/store/migrations.h"
#include "server/store/sqlite_connection.h"
#include "server/store/sqlite_migrations.h"

#include <sqlite3.h>

#include <memory>
#include <vector>

namespace totem::server {
namespace {

// How long a step waits for a lock a writer holds for a moment (WAL
// recovery, a checkpoint) before giving up.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kBusyRetries = 50;

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;

// A statement that failed, with SQLite's code, to tell a file that is no
// database from a damaged one.
struct SqliteFailure {
  int code;
  std::string message;
};

Handle Open(const std::string& path, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  Handle db(raw);
  if (rc != SQLITE_OK)
    throw StoreError("não foi possível abrir " + path + ": " +
                     (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  return db;
}

// Every row of sql, as text.
std::vector<std::vector<std::string>> Rows(sqlite3* db, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  std::vector<std::vector<std::string>> rows;
  int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
  while (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    rc = SQLITE_OK;
    auto& row = rows.emplace_back();
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      row.emplace_back(text ? text : "");
    }
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) throw SqliteFailure{sqlite3_errcode(db) & 0xff, sqlite3_errmsg(db)};
  return rows;
}

// Rollback journal instead of write-ahead logging: the file alone is the
// database, with nothing beside it to copy or lose. (A backup of a database
// in WAL mode copies that mode in the file's header.) The server switches it
// back when it opens it.
void SelfContained(sqlite3* db, const std::string& path) {
  std::string mode;
  try {
    mode = Rows(db, "PRAGMA journal_mode=DELETE").at(0).at(0);
  } catch (const SqliteFailure& failure) {
    mode = failure.message;
  }
  if (mode != "delete")
    throw StoreError("não foi possível fechar a cópia " + path + " num arquivo só: " + mode);
}

}  // namespace

void BackupSqlite(const std::string& source, const std::string& destination) {
  Handle from = Open(source, SQLITE_OPEN_READWRITE);
  Handle to = Open(destination, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
  if (!backup)
    throw StoreError("não foi possível começar a cópia de " + source + ": " +
                     sqlite3_errmsg(to.get()));
  // All pages in one step: one read transaction, one consistent copy. A
  // lock held for a moment by the writer is waited for.
  int rc = SQLITE_OK;
  for (int attempt = 0;; ++attempt) {
    rc = sqlite3_backup_step(backup, -1);
    if ((rc != SQLITE_BUSY && rc != SQLITE_LOCKED) || attempt == kBusyRetries) break;
    sqlite3_sleep(100);
  }
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE)
    throw StoreError("a cópia de " + source + " falhou: " + sqlite3_errstr(rc) + " (" +
                     sqlite3_errmsg(from.get()) + ")");
  SelfContained(to.get(), destination);
}

int CheckSqliteCopy(const std::string& file, const std::string& shownAs) {
  const std::string& path = shownAs.empty() ? file : shownAs;
  try {
    Handle db = Open(file, SQLITE_OPEN_READWRITE);
    std::string problems;
    for (auto& row : Rows(db.get(), "PRAGMA integrity_check(3)")) {
      if (row.at(0) == "ok") continue;
      // A row may hold several lines: one line of text for the message.
      for (auto at = row[0].find('\n'); at != std::string::npos; at = row[0].find('\n', at))
        row[0].replace(at, 1, "; ");
      problems += (problems.empty() ? "" : "; ") + row[0];
    }
    if (!problems.empty()) throw StoreError(path + " está danificado (" + problems + ")");
    const std::string notOurs = path + " não é uma base do totem-server: ";
    if (Rows(db.get(),
             "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'schema_migrations'")
            .empty())
      throw StoreError(notOurs + "não tem a tabela schema_migrations");
    // Version 1 is every database's first migration; a write check's
    // rolled-back row (version -1) never stays.
    const auto versions =
        Rows(db.get(),
             "SELECT COALESCE(MAX(version), 0), COUNT(CASE WHEN version = 1 THEN 1 END)"
             " FROM schema_migrations WHERE version > 0");
    if (versions.at(0).at(1) != "1")
      throw StoreError(notOurs + "não tem a primeira migração do esquema");
    const int version = std::stoi(versions.at(0).at(0));
    if (version > SchemaVersion())
      throw StoreError(path + " está na versão " + std::to_string(version) +
                       " do esquema, mais nova que a " + std::to_string(SchemaVersion()) +
                       " deste programa");
    return version;
  } catch (const SqliteFailure& failure) {
    if (failure.code == SQLITE_NOTADB)
      throw StoreError(path + " não é uma base de dados SQLite (" + failure.message + ")");
    if (failure.code == SQLITE_CORRUPT)
      throw StoreError(path + " está danificado (" + failure.message + ")");
    throw StoreError("não foi possível ler " + path + ": " + failure.message);
  }
}

void PrepareRestoredCopy(const std::string& path, const Restauracao& restore) {
  // Opened as the server opens it, and migrated as the server would at start.
  SqliteConnection connection(path);
  ApplyMigrations(connection);
  connection.Prepare(sql::kInsertRestauracao)
      .Bind(1, restore.quando)
      .Bind(2, restore.autor)
      .Bind(3, restore.arquivo)
      .Bind(4, restore.substituido)
      .Run();
  SelfContained(connection.Handle(), path);
}

bool CheckpointSqlite(const std::string& path) {
  try {
    Handle db = Open(path, SQLITE_OPEN_READWRITE);
    // busy, frames in the log, frames moved: busy 0 means all of it moved.
    const auto result = Rows(db.get(), "PRAGMA wal_checkpoint(TRUNCATE)");
    return result.at(0).at(0) == "0";
  } catch (const StoreError&) {
    return false;
  } catch (const SqliteFailure&) {
    return false;
  }
}

}  // namespace totem::server
