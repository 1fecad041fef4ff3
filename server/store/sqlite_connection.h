#pragma once
// A thin RAII layer over one SQLite connection: opening with the settings the
// server relies on, cached prepared statements, and statements that bind
// values instead of splicing them into SQL.
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace totem::server {

class SqliteStatement;

class SqliteConnection {
 public:
  // Opens (creating when missing) the file with WAL journaling,
  // synchronous=FULL, a busy timeout and foreign keys on. Throws StoreError.
  explicit SqliteConnection(const std::string& path);
  ~SqliteConnection();
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  // Runs fixed SQL text that carries no values (transaction control, DDL).
  void Exec(const char* sql);

  // A prepared statement, compiled once per connection and reused; it is
  // reset and its bindings cleared when the returned handle goes away.
  SqliteStatement Prepare(std::string_view sql);

  sqlite3* Handle() const { return db_; }
  const std::string& Path() const { return path_; }

 private:
  [[noreturn]] void Fail(const std::string& what) const;

  std::string path_;
  sqlite3* db_ = nullptr;
  std::map<std::string, sqlite3_stmt*, std::less<>> cache_;
};

class SqliteStatement {
 public:
  SqliteStatement(SqliteConnection& connection, sqlite3_stmt* stmt)
      : connection_(&connection), stmt_(stmt) {}
  ~SqliteStatement();
  SqliteStatement(SqliteStatement&& other) noexcept
      : connection_(other.connection_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
  }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  SqliteStatement& operator=(SqliteStatement&&) = delete;

  // Parameters are numbered from 1, as in SQL.
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& BindOptional(int index,
                                const std::optional<std::string>& text);  // NULL when absent
  SqliteStatement& BindInt(int index, long long value);

  // Advances to the next row; false when there is none.
  bool Step();
  // Runs a statement that returns no rows.
  void Run();

  // Columns are numbered from 0.
  std::string Text(int column) const;
  std::optional<std::string> OptionalText(int column) const;
  long long Int(int column) const;

 private:
  [[noreturn]] void Fail(const std::string& what) const;

  SqliteConnection* connection_;
  sqlite3_stmt* stmt_;
};

}  // namespace totem::server
