#include "server/store/sqlite_connection.h"

#include "server/store/store.h"

#include <sqlite3.h>

namespace totem::server {
namespace {

// How long a writer waits for another writer before giving up. Saves are
// short, so reaching this means something is stuck.
constexpr int kBusyTimeoutMs = 5000;

}  // namespace

SqliteConnection::SqliteConnection(const std::string& path) : path_(path) {
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string detail = db_ ? sqlite3_errmsg(db_) : "sem memória";
    sqlite3_close(db_);
    db_ = nullptr;
    throw StoreError("não foi possível abrir " + path + ": " + detail);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  try {
    // WAL lets readers run beside the writer. With synchronous=FULL every
    // commit is flushed to the WAL file before it is acknowledged, so a save
    // the client saw succeed survives a crash or a power loss.
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
    Exec("PRAGMA foreign_keys=ON");
  } catch (const StoreError& error) {
    // A file that is not a database, or one in a folder this user may not
    // write (the WAL files live beside it), fails here; so does one whose
    // schema pages are damaged, which is said as the integrity check says it.
    const bool damaged = (sqlite3_extended_errcode(db_) & 0xff) == SQLITE_CORRUPT;
    sqlite3_close(db_);
    db_ = nullptr;
    if (damaged)
      throw StoreError("a base " + path + " está danificada (" + error.what() +
                       "); restaure a cópia de segurança mais recente");
    throw StoreError("não foi possível abrir " + path + ": " + error.what());
  }
}

SqliteConnection::~SqliteConnection() {
  for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
  sqlite3_close(db_);
}

void SqliteConnection::Fail(const std::string& what) const {
  throw StoreError(what + ": " + sqlite3_errmsg(db_) + " (" +
                   std::to_string(sqlite3_extended_errcode(db_)) + ")");
}

void SqliteConnection::Exec(const char* sql) {
  char* error = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
    std::string detail = error ? error : sqlite3_errmsg(db_);
    sqlite3_free(error);
    throw StoreError(std::string("falha em \"") + sql + "\": " + detail);
  }
}

SqliteStatement SqliteConnection::Prepare(std::string_view sql) {
  auto it = cache_.find(sql);
  if (it == cache_.end()) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &stmt, nullptr) != SQLITE_OK)
      Fail("falha ao preparar \"" + std::string(sql) + "\"");
    it = cache_.emplace(std::string(sql), stmt).first;
  }
  return SqliteStatement(*this, it->second);
}

SqliteStatement::~SqliteStatement() {
  if (!stmt_) return;
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

void SqliteStatement::Fail(const std::string& what) const {
  sqlite3* db = connection_->Handle();
  throw StoreError(what + " (" + sqlite3_sql(stmt_) + "): " + sqlite3_errmsg(db) + " (" +
                   std::to_string(sqlite3_extended_errcode(db)) + ")");
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                        SQLITE_TRANSIENT) != SQLITE_OK)
    Fail("falha ao associar o parâmetro " + std::to_string(index));
  return *this;
}

SqliteStatement& SqliteStatement::BindOptional(int index, const std::optional<std::string>& text) {
  if (text) return Bind(index, std::string_view(*text));
  if (sqlite3_bind_null(stmt_, index) != SQLITE_OK)
    Fail("falha ao associar o parâmetro " + std::to_string(index));
  return *this;
}

SqliteStatement& SqliteStatement::BindInt(int index, long long value) {
  if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
    Fail("falha ao associar o parâmetro " + std::to_string(index));
  return *this;
}

bool SqliteStatement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Fail("falha ao executar");
}

void SqliteStatement::Run() {
  while (Step()) {
  }
}

std::string SqliteStatement::Text(int column) const {
  const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
  if (!data) return {};
  return std::string(data, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::optional<std::string> SqliteStatement::OptionalText(int column) const {
  if (sqlite3_column_type(stmt_, column) == SQLITE_NULL) return std::nullopt;
  return Text(column);
}

long long SqliteStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

}  // namespace totem::server
