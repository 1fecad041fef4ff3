#include "server/store/pg_connection.h"

#include "server/log/server_log.h"
#include "server/store/pg_password_file.h"
#include "server/store/store.h"

#include <libpq-fe.h>

#include <cstring>

namespace totem::server {
namespace {

// libpq writes the server's notices to standard error as they come, outside
// the log's format. Warnings go to the log as warnings; notices such as
// "relation already exists, skipping" are the expected course of the
// migrations and are dropped.
void ReceiveNotice(void*, const PGresult* notice) {
  const char* severity = PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
  if (!severity || std::strcmp(severity, "WARNING") != 0) return;
  std::string text = PQresultErrorMessage(notice);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  LogWarning("PostgreSQL: " + text);
}

}  // namespace

std::string NumberPlaceholders(std::string_view sql, int* count) {
  std::string out;
  out.reserve(sql.size() + 16);
  int n = 0;
  bool quoted = false;
  for (char c : sql) {
    if (c == '\'') quoted = !quoted;
    if (c == '?' && !quoted) {
      out += '$';
      out += std::to_string(++n);
    } else {
      out += c;
    }
  }
  if (count) *count = n;
  return out;
}

PgConnection::PgConnection(const std::string& conninfo) {
  std::string info = WithoutIgnoredPasswordFile(conninfo);
  if (info.find("connect_timeout") == std::string::npos)
    info = WithConnectionParameter(info, "connect_timeout", "5");
  conn_ = PQconnectdb(info.c_str());
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    std::string why = conn_ ? PQerrorMessage(conn_) : "sem memória";
    while (!why.empty() && why.back() == '\n') why.pop_back();
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    throw StoreError("não foi possível conectar ao PostgreSQL: " + OneLine(why));
  }
  PQsetNoticeReceiver(conn_, ReceiveNotice, nullptr);
  // Texts are UTF-8 end to end; messages from the server stay out of the
  // answers anyway, but the log reads better in one language.
  Exec("SET client_encoding = 'UTF8'");
}

PgConnection::~PgConnection() {
  if (conn_) PQfinish(conn_);
}

bool PgConnection::Broken() const { return !conn_ || PQstatus(conn_) != CONNECTION_OK; }

void PgConnection::Fail(const std::string& what, pg_result* result) {
  std::string detail = result ? PQresultErrorMessage(result) : "";
  if (detail.empty() && conn_) detail = PQerrorMessage(conn_);
  if (result) PQclear(result);
  throw StoreError(what + ": " + OneLine(detail));
}

void PgConnection::Exec(const char* sql) {
  pg_result* result = PQexec(conn_, sql);
  const auto status = PQresultStatus(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail("falha no PostgreSQL", result);
  PQclear(result);
}

PgStatement PgConnection::Prepare(std::string_view sql) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    int count = 0;
    const std::string text = NumberPlaceholders(sql, &count);
    const std::string name = "s" + std::to_string(prepared_.size() + 1);
    pg_result* result = PQprepare(conn_, name.c_str(), text.c_str(), count, nullptr);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) Fail("falha ao preparar comando", result);
    PQclear(result);
    it = prepared_.emplace(std::string(sql), std::make_pair(name, count)).first;
  }
  return PgStatement(*this, it->second.first, it->second.second);
}

PgStatement::PgStatement(PgConnection& connection, std::string name, int params)
    : connection_(&connection), name_(std::move(name)), values_(static_cast<std::size_t>(params)) {}

PgStatement::PgStatement(PgStatement&& other) noexcept
    : connection_(other.connection_),
      name_(std::move(other.name_)),
      values_(std::move(other.values_)),
      result_(other.result_),
      row_(other.row_) {
  other.result_ = nullptr;
}

PgStatement::~PgStatement() {
  if (result_) PQclear(result_);
}

PgStatement& PgStatement::Bind(int index, std::string_view text) {
  values_.at(static_cast<std::size_t>(index - 1)) = std::string(text);
  return *this;
}

PgStatement& PgStatement::BindOptional(int index, const std::optional<std::string>& text) {
  values_.at(static_cast<std::size_t>(index - 1)) = text;
  return *this;
}

PgStatement& PgStatement::BindInt(int index, long long value) {
  return Bind(index, std::to_string(value));
}

void PgStatement::Execute() {
  std::vector<const char*> params;
  params.reserve(values_.size());
  for (const auto& v : values_) params.push_back(v ? v->c_str() : nullptr);
  result_ = PQexecPrepared(connection_->Handle(), name_.c_str(), static_cast<int>(params.size()),
                           params.data(), nullptr, nullptr, 0);
  const auto status = PQresultStatus(result_);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    pg_result* failed = result_;
    result_ = nullptr;
    connection_->Fail("falha no PostgreSQL", failed);
  }
}

bool PgStatement::Step() {
  if (!result_) Execute();
  return ++row_ < PQntuples(result_);
}

void PgStatement::Run() {
  if (!result_) Execute();
}

std::string PgStatement::Text(int column) const { return PQgetvalue(result_, row_, column); }

std::optional<std::string> PgStatement::OptionalText(int column) const {
  if (PQgetisnull(result_, row_, column)) return std::nullopt;
  return Text(column);
}

long long PgStatement::Int(int column) const { return std::stoll(Text(column)); }

}  // namespace totem::server
