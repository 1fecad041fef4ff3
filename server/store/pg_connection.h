#pragma once
// A thin RAII layer over one PostgreSQL connection (libpq), with the same
// shape as the SQLite one so the store is written once: fixed SQL through
// Exec, and statements with "?" placeholders, prepared once per connection
// and run with bound text values (never spliced into the SQL).
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace totem::server {

class PgStatement;

class PgConnection {
 public:
  // conninfo: a libpq URI ("postgresql://...") or "key=value" string. A
  // connection timeout is added when the text names none, so a database that
  // is down answers with an error instead of a hang. Throws StoreError.
  explicit PgConnection(const std::string& conninfo);
  ~PgConnection();
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  void Exec(const char* sql);
  PgStatement Prepare(std::string_view sql);

  // True once the server side went away; such a connection is not reused.
  bool Broken() const;
  pg_conn* Handle() const { return conn_; }

  [[noreturn]] void Fail(const std::string& what, pg_result* result = nullptr);

 private:
  pg_conn* conn_ = nullptr;
  std::map<std::string, std::pair<std::string, int>, std::less<>> prepared_;  // sql -> name, params
};

class PgStatement {
 public:
  PgStatement(PgConnection& connection, std::string name, int params);
  ~PgStatement();
  PgStatement(PgStatement&& other) noexcept;
  PgStatement(const PgStatement&) = delete;
  PgStatement& operator=(const PgStatement&) = delete;
  PgStatement& operator=(PgStatement&&) = delete;

  PgStatement& Bind(int index, std::string_view text);
  PgStatement& BindOptional(int index, const std::optional<std::string>& text);
  PgStatement& BindInt(int index, long long value);

  bool Step();  // runs the statement on the first call, then walks its rows
  void Run();

  std::string Text(int column) const;
  std::optional<std::string> OptionalText(int column) const;
  long long Int(int column) const;

 private:
  void Execute();

  PgConnection* connection_;
  std::string name_;
  std::vector<std::optional<std::string>> values_;
  pg_result* result_ = nullptr;
  int row_ = -1;
};

// The "?" placeholders of the shared SQL as PostgreSQL's "$1", "$2" ...
std::string NumberPlaceholders(std::string_view sql, int* count);

}  // namespace totem::server
