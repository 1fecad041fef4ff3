#include "tests/support/test_database.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <unistd.h>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace totem::test {
namespace {

std::string PgClusterInfo() {
  const char* file = std::getenv("TOTEM_TEST_PG_FILE");
  if (!file || !*file) return {};
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  if (line.empty()) throw std::runtime_error(std::string("no connection info in ") + file);
  return line;
}

class SqliteDatabase : public TestDatabase {
 public:
  explicit SqliteDatabase(std::string path) : path_(std::move(path)) {}
  std::string Address() const override { return "sqlite:" + path_; }

  std::vector<std::vector<std::string>> Query(const std::string& sql) override {
    sqlite3* db = nullptr;
    if (sqlite3_open(path_.c_str(), &db) != SQLITE_OK)
      throw std::runtime_error("cannot open " + path_);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      std::string why = sqlite3_errmsg(db);
      sqlite3_close(db);
      throw std::runtime_error("SQL failed: " + why);
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        auto* text = sqlite3_column_text(stmt, i);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
  }

  std::string IntegrityCheck() override { return Query("PRAGMA integrity_check").at(0).at(0); }

 private:
  std::string path_;
};

std::vector<std::vector<std::string>> PgQuery(const std::string& conninfo, const std::string& sql) {
  PGconn* conn = PQconnectdb(conninfo.c_str());
  if (PQstatus(conn) != CONNECTION_OK) {
    std::string why = PQerrorMessage(conn);
    PQfinish(conn);
    throw std::runtime_error("cannot connect: " + why);
  }
  PGresult* result = PQexec(conn, sql.c_str());
  const auto status = PQresultStatus(result);
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
    std::string why = PQresultErrorMessage(result);
    PQclear(result);
    PQfinish(conn);
    throw std::runtime_error("SQL failed: " + why);
  }
  std::vector<std::vector<std::string>> rows;
  for (int r = 0; r < PQntuples(result); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < PQnfields(result); ++c) row.emplace_back(PQgetvalue(result, r, c));
    rows.push_back(std::move(row));
  }
  PQclear(result);
  PQfinish(conn);
  return rows;
}

class PgDatabase : public TestDatabase {
 public:
  PgDatabase(std::string cluster, const std::string& name) : cluster_(std::move(cluster)) {
    static std::atomic<int> counter{0};
    std::string safe;
    for (char c : name)
      safe +=
          std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '_';
    database_ =
        "t" + std::to_string(getpid()) + "_" + std::to_string(counter++) + "_" + safe.substr(0, 30);
    PgQuery(cluster_, "CREATE DATABASE " + database_ + " ENCODING 'UTF8' TEMPLATE template0");
    conninfo_ = cluster_;
    auto at = conninfo_.find("dbname=");
    if (at != std::string::npos)
      conninfo_.erase(at, conninfo_.find(' ', at) == std::string::npos
                              ? std::string::npos
                              : conninfo_.find(' ', at) - at + 1);
    conninfo_ += " dbname=" + database_;
  }
  ~PgDatabase() override {
    try {
      PgQuery(cluster_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    } catch (const std::exception&) {
    }
  }
  std::string Address() const override { return "postgresql:" + conninfo_; }
  std::vector<std::vector<std::string>> Query(const std::string& sql) override {
    return PgQuery(conninfo_, sql);
  }
  // Every record belongs to a register and every register to a branch.
  std::string IntegrityCheck() override {
    auto orphans = Query(
        "SELECT (SELECT count(*) FROM parametro_totem p WHERE NOT EXISTS (SELECT 1 FROM caixa c"
        " WHERE c.cdfilial = p.cdfilial AND c.cdcaixa = p.cdcaixa)) + (SELECT count(*) FROM caixa c"
        " WHERE NOT EXISTS (SELECT 1 FROM filial f WHERE f.cdfilial = c.cdfilial))");
    return orphans.at(0).at(0) == "0" ? "ok" : "orphaned rows: " + orphans.at(0).at(0);
  }

 private:
  std::string cluster_;
  std::string conninfo_;
  std::string database_;
};

}  // namespace

bool TestDatabase::UsingPostgres() { return !PgClusterInfo().empty(); }

std::unique_ptr<TestDatabase> TestDatabase::Sqlite(const std::string& path) {
  return std::make_unique<SqliteDatabase>(path);
}

std::string TestDatabase::Literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

std::unique_ptr<TestDatabase> TestDatabase::Create(const TempDir& dir, const std::string& name) {
  const std::string cluster = PgClusterInfo();
  if (!cluster.empty()) return std::make_unique<PgDatabase>(cluster, name);
  return std::make_unique<SqliteDatabase>(dir.File(name + ".db"));
}

}  // namespace totem::test
