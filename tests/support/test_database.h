#pragma once
// A fresh, empty database for one test, of the kind the run asks for: an
// SQLite file by default, or a new database on the PostgreSQL cluster named
// in the file TOTEM_TEST_PG_FILE points to (one libpq "key=value" line), so
// the same server tests prove both stores behave the same.
#include "tests/support/temp_dir.h"

#include <memory>
#include <string>
#include <vector>

namespace totem::test {

class TestDatabase {
 public:
  virtual ~TestDatabase() = default;

  // name tells the databases of one test apart.
  static std::unique_ptr<TestDatabase> Create(const TempDir& dir, const std::string& name);
  // An SQLite file that exists already (a server's or a test's own).
  static std::unique_ptr<TestDatabase> Sqlite(const std::string& path);
  // True when this run uses PostgreSQL.
  static bool UsingPostgres();
  // A text as an SQL string literal: quoted, its own quotes doubled.
  static std::string Literal(const std::string& text);

  // What totem-server's --db takes.
  virtual std::string Address() const = 0;
  // Runs SQL directly on the database; rows of text ("" for NULL). Each
  // call is its own connection, so what it writes is committed at once.
  virtual std::vector<std::vector<std::string>> Query(const std::string& sql) = 0;
  // "ok" when the database's own consistency check finds nothing wrong.
  virtual std::string IntegrityCheck() = 0;
};

}  // namespace totem::test
