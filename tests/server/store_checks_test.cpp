// The server tells the truth about its store: it refuses at start a database
// that is damaged or that it cannot write, naming it, and /healthz says
// whether the store answers and whether it can take a write.
#include "tests/server/hardening_fixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

namespace totem::test {
namespace {

namespace fs = std::filesystem;

// A folder an unprivileged server may keep its database in.
std::string DataFolder(const TempDir& dir) {
  const fs::path folder = dir.Path() / "data";
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms::all);
  return folder.string();
}

ServerProcess::Options Unprivileged(const std::string& address, bool demo) {
  ServerProcess::Options options = ServerOn(address, demo);
  options.unprivileged = true;
  return options;
}

// Bytes over the file from offset to its end, the same on every run.
void Overwrite(const std::string& file, std::size_t offset) {
  const auto size = fs::file_size(file);
  ASSERT_GT(size, offset);
  std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
  out.seekp(static_cast<std::streamoff>(offset));
  for (std::size_t i = offset; i < size; ++i) out.put(static_cast<char>((i * 131) & 0xff));
}

TEST_F(HttpHardening, HealthReportsWhetherTheStoreAnswers) {
  auto healthy = client_->Http().Get("/healthz");
  ASSERT_TRUE(healthy);
  EXPECT_EQ(healthy->status, 200);
  EXPECT_EQ(healthy->body, "ok\n");

  db_->Query("DROP TABLE schema_migrations");
  auto broken = client_->Http().Get("/healthz");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->status, 503);
  EXPECT_EQ(broken->body.rfind("unavailable: ", 0), 0u) << broken->body;
  EXPECT_NE(broken->body.find("schema_migrations"), std::string::npos)
      << "says why: " << broken->body;
}

// Sets the size a file of the process may grow to, as a full disk would
// bound it (binds root too, unlike file permissions).
void LimitFileSize(pid_t pid, rlim_t bytes) {
  rlimit limit{};
  ASSERT_EQ(prlimit(pid, RLIMIT_FSIZE, nullptr, &limit), 0);
  limit.rlim_cur = bytes;
  ASSERT_EQ(prlimit(pid, RLIMIT_FSIZE, &limit, nullptr), 0);
}

TEST(StoreChecks, HealthSaysWhenTheStoreCannotTakeAWriteAndWhy) {
  if (TestDatabase::UsingPostgres()) GTEST_SKIP() << "file permissions and sizes are SQLite's";
  TempDir dir, ownDir;
  const std::string file = DataFolder(dir) + "/totem.db";
  // File permissions bind a server of another user than root; a limit set
  // on another process binds one of the test's own user, as setting it on
  // another user's takes a privilege containers often drop.
  ServerProcess unprivileged(Unprivileged(file, true));
  ServerProcess own(ServerOn(ownDir.File("totem.db"), true));
  struct Step {
    const char* what;
    ServerProcess* server;
    std::function<void()> change;
    int status;
    std::string body;  // how the body starts
    std::string why;   // a part of the reason it gives
  };
  // Asked while writable first: a check made then must not make a later
  // one see a file that became read-only as writable.
  const auto writable = [&file] {
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  };
  const pid_t pid = own.Pid();
  const std::vector<Step> steps = {
      {"writable", &unprivileged, writable, 200, "ok\n", ""},
      {"a read-only file", &unprivileged,
       [&file] {
         fs::permissions(file,
                         fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       },
       503, "read-only: ", "só pode ser lida"},
      {"writable again", &unprivileged, writable, 200, "ok\n", ""},
      {"a full disk", &own, [pid] { LimitFileSize(pid, 1); }, 503,
       "read-only: ", "não consegue gravar no disco"},
      {"room on the disk again", &own, [pid] { LimitFileSize(pid, RLIM_INFINITY); }, 200, "ok\n",
       ""},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    ModuleClient client(step.server->Host(), step.server->Port());
    auto health = client.Http().Get("/healthz");
    ASSERT_TRUE(health);
    EXPECT_EQ(health->status, step.status);
    EXPECT_EQ(health->body.rfind(step.body, 0), 0u) << health->body;
    EXPECT_NE(health->body.find(step.why), std::string::npos) << health->body;
    EXPECT_EQ(client.Envelope("getFilial", {})["status"], "ok") << "reads go on";
  }
}

TEST(StoreChecks, ADamagedOrReadOnlyDatabaseIsRefusedAtStartNamingIt) {
  struct Case {
    const char* what;
    std::function<void(const std::string& file, TestDatabase* db)> spoil;
    std::string message;
  };
  std::vector<Case> cases;
  if (TestDatabase::UsingPostgres()) {
    cases.push_back({"a database that takes only reads",
                     [](const std::string&, TestDatabase* db) {
                       db->Query("ALTER DATABASE \"" +
                                 db->Query("SELECT current_database()").at(0).at(0) +
                                 "\" SET default_transaction_read_only = on");
                     },
                     "só aceita transações de leitura"});
  } else {
    cases = {
        {"pages overwritten", [](const std::string& file, TestDatabase*) { Overwrite(file, 4096); },
         "está danificada"},
        {"a header that is not SQLite's",
         [](const std::string& file, TestDatabase*) { Overwrite(file, 0); },
         "não foi possível abrir"},
        {"a file the server may not write",
         [](const std::string& file, TestDatabase*) {
           fs::permissions(file, fs::perms::owner_read);
         },
         "só pode ser lida"},
        {"a file that is gone, without --criar-banco",
         [](const std::string& file, TestDatabase*) { fs::remove(file); },
         "não existe; para criar uma base nova, dê --criar-banco"},
        {"a folder that is gone, without --criar-banco",
         [](const std::string& file, TestDatabase*) {
           fs::remove_all(fs::path(file).parent_path());
         },
         "a pasta "},
        {"another program's SQLite file",
         [](const std::string& file, TestDatabase*) {
           for (const std::string suffix : {"", "-wal", "-shm"}) fs::remove(file + suffix);
           TestDatabase::Sqlite(file)->Query("CREATE TABLE clientes (nome TEXT)");
           fs::permissions(file, fs::perms::all);
         },
         "não tem as tabelas deste servidor"},
    };
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string file = DataFolder(dir) + "/totem.db";
    auto db = TestDatabase::UsingPostgres() ? TestDatabase::Create(dir, "spoilt") : nullptr;
    const std::string address = db ? db->Address() : "sqlite:" + file;
    ServerProcess(Unprivileged(address, true)).Terminate();
    c.spoil(file, db.get());
    std::string output;
    const int code =
        ServerProcess::RunTool({"--db", address, "--listen", "127.0.0.1:0"}, &output, true);
    EXPECT_EQ(code, 1) << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    if (!db) {
      EXPECT_NE(output.find(file), std::string::npos) << "names the file: " << output;
    }
    EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
    // Each event one line of the log, whatever the database's message held.
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
      EXPECT_TRUE(
          std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\dT[0-9:.]{12}Z totem-server: .*)")))
          << line;
  }
}

}  // namespace
}  // namespace totem::test
