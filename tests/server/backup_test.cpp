// totem-server backup and restore over real SQLite files, beside and after a
// real server: a backup taken while saves go on holds every save committed
// before it; retention keeps exactly the newest N; what restore refuses
// leaves everything as it was; a restore keeps the replaced database (its
// log included) aside, the restarted server serves the backup, and the
// history names the restore and its person.
#include "tests/server/module_client.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

namespace totem::test {
namespace {

namespace fs = std::filesystem;

std::string Message(const std::string& file) {
  return TestDatabase::Sqlite(file)
      ->Query("SELECT dsmsginitot FROM parametro_totem WHERE cdfilial = '0001' AND cdcaixa = '001'")
      .at(0)
      .at(0);
}

void Save(ServerProcess& server, const std::string& message) {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = message;
  ModuleClient client(server.Host(), server.Port());
  ASSERT_EQ(client.Envelope("setUpdParametros", args)["status"], "ok");
}

// Every file of a folder, with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().string().ends_with("-shm"))
      continue;  // the log's index, rebuilt by any reader
    std::ostringstream bytes;
    bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
    files[entry.path().filename()] = bytes.str();
  }
  return files;
}

// The word of output after prefix.
std::string After(const std::string& output, const std::string& prefix) {
  const auto at = output.find(prefix);
  if (at == std::string::npos) return {};
  const auto from = at + prefix.size();
  return output.substr(from, output.find_first_of(" \n", from) - from);
}

std::vector<std::string> Backups(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : Snapshot(folder))
    if (name.rfind("totem-", 0) == 0) names.push_back(name);
  return names;
}

class BackupRestore : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestDatabase::UsingPostgres()) GTEST_SKIP() << "SQLite's backup and restore";
    server_ = std::make_unique<ServerProcess>(ServerOn(db_, true));
  }
  int Tool(std::vector<std::string> args, std::string* output) {
    args.insert(args.end(), {"--db", "sqlite:" + db_});
    return ServerProcess::RunTool(args, output);
  }
  // Takes a backup into copies_ and returns its path.
  std::string Backup() {
    std::string output;
    EXPECT_EQ(Tool({"backup", copies_}, &output), 0) << output;
    return After(output, "cópia gravada: ");
  }

  TempDir dir_;
  const std::string db_ = dir_.File("data/totem.db"), copies_ = dir_.File("copias");
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(BackupRestore, ABackupTakenWhileSavingHoldsEverySaveCommittedBeforeIt) {
  std::atomic<int> acknowledged{0};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    ModuleClient client(server_->Host(), server_->Port());
    auto args = ValidSaveArgs();
    for (int n = 1; !stop; ++n) {
      SaveField(args, contract::col::DSMSGINITOT) = "#" + std::to_string(n);
      if (client.Envelope("setUpdParametros", args)["status"] != "ok") return;
      acknowledged = n;
    }
  });
  while (acknowledged < 20) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const int before = acknowledged;
  const std::string copy = Backup();
  const int after = acknowledged;
  stop = true;
  writer.join();

  auto backup = TestDatabase::Sqlite(copy);
  EXPECT_EQ(backup->IntegrityCheck(), "ok");
  const int saved = std::stoi(Message(copy).substr(1));
  EXPECT_GE(saved, before);
  EXPECT_LE(saved, after + 1);  // the save in flight may be in it
  EXPECT_EQ(backup->Query("SELECT MAX(nrgravacao) FROM parametro_totem_historico").at(0).at(0),
            std::to_string(saved));
  EXPECT_FALSE(fs::exists(copy + "-wal")) << "one self-contained file";
  EXPECT_EQ(fs::status(copies_).permissions(), fs::perms(0750));
  EXPECT_EQ(fs::status(copy).permissions(), fs::perms(0640));
}

TEST_F(BackupRestore, RetentionKeepsExactlyTheNewestNOfItsNaming) {
  struct Row {
    int old;           // copies already there, of older times
    std::string keep;  // --manter; empty: the default
    std::size_t left;
  };
  for (const Row& row : std::vector<Row>{{20, "", 14}, {5, "3", 3}, {1, "5", 2}, {2, "1", 1}}) {
    SCOPED_TRACE(row.keep + " of " + std::to_string(row.old));
    fs::remove_all(copies_);
    fs::create_directory(copies_);
    for (int i = 0; i < row.old; ++i)
      WriteFile(copies_ + "/totem-2020" + std::to_string(1001 + i) + "T000000Z.db", "");
    WriteFile(copies_ + "/totem-outra.db", "not of its naming");
    std::vector<std::string> args = {"backup", copies_};
    if (!row.keep.empty()) args.insert(args.end(), {"--manter", row.keep});
    std::string output;
    ASSERT_EQ(Tool(args, &output), 0) << output;
    std::vector<std::string> expected;
    for (int i = row.old - static_cast<int>(row.left) + 1; i < row.old; ++i)
      expected.push_back("totem-2020" + std::to_string(1001 + i) + "T000000Z.db");
    expected.push_back(fs::path(After(output, "cópia gravada: ")).filename());
    expected.push_back("totem-outra.db");
    EXPECT_EQ(Backups(copies_), expected) << output;
  }
  std::string output;
  EXPECT_EQ(Tool({"backup", copies_, "--manter", "0"}, &output), 2);
  EXPECT_NE(output.find("--manter precisa de um número inteiro de 1 a"), std::string::npos)
      << output;
}

TEST_F(BackupRestore, WhatIsRefusedLeavesEverythingAsItWas) {
  const std::string copy = Backup();
  struct Row {
    const char* what;
    std::function<void(const std::string& file)> make;  // the file to restore
    bool stopServer;
    std::string message;
  };
  const std::vector<Row> rows = {
      {"a restore while the server runs", [&](const std::string& f) { fs::copy_file(copy, f); },
       false, "um servidor está usando a base"},
      {"a damaged file",
       [&](const std::string& f) {
         fs::copy_file(copy, f);
         std::fstream out(f, std::ios::in | std::ios::out | std::ios::binary);
         out.seekp(4096);
         for (int i = 0; i < 20000; ++i) out.put(static_cast<char>((i * 131) & 0xff));
       },
       true, "está danificado"},
      {"a file that is no database",
       [](const std::string& f) { WriteFile(f, "CDFILIAL,NMFILIAL\n0001,Matriz\n"); }, true,
       "não é uma base de dados SQLite"},
      {"another program's database",
       [](const std::string& f) {
         TestDatabase::Sqlite(f)->Query("CREATE TABLE clientes (nome TEXT)");
       },
       true, "não é uma base do totem-server"},
      {"a newer schema",
       [&](const std::string& f) {
         fs::copy_file(copy, f);
         TestDatabase::Sqlite(f)->Query("INSERT INTO schema_migrations VALUES (999, 'futura', '')");
       },
       true, "mais nova que a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.stopServer && server_->Running()) server_->Terminate();
    const std::string file = dir_.File("restaurar.db");
    fs::remove(file);
    row.make(file);
    const auto before = Snapshot(fs::path(db_).parent_path());
    std::string output;
    EXPECT_EQ(Tool({"restore", file}, &output), 1);
    EXPECT_NE(output.find("restauração não feita: "), std::string::npos) << output;
    EXPECT_NE(output.find(row.message), std::string::npos) << output;
    EXPECT_EQ(Snapshot(fs::path(db_).parent_path()), before);
  }
  std::string output;
  EXPECT_EQ(ServerProcess::RunTool(
                {"backup", copies_, "--db", "postgresql://totem@localhost/totem"}, &output),
            1);
  EXPECT_NE(output.find("use pg_dump"), std::string::npos) << output;
  EXPECT_EQ(Backups(copies_).size(), 1u);
}

TEST_F(BackupRestore, ARestoreKeepsTheReplacedDatabaseAsideAndTheHistorySaysWhoRestored) {
  Save(*server_, "na cópia");
  const std::string copy = Backup();
  Save(*server_, "depois da cópia");
  server_->Kill9();  // its write-ahead log holds the last save
  ASSERT_TRUE(fs::exists(db_ + "-wal"));
  // As an older release (schema 2) left it: the restore migrates it.
  for (const char* sql :
       {"DROP TABLE restauracao", "DROP TABLE cadastro_historico",
        "ALTER TABLE filial DROP COLUMN dtremocao", "ALTER TABLE filial DROP COLUMN nmremocao",
        "ALTER TABLE caixa DROP COLUMN dtremocao", "ALTER TABLE caixa DROP COLUMN nmremocao",
        "ALTER TABLE parametro_totem_historico DROP COLUMN dsorigem",
        "DROP INDEX parametro_totem_historico_copia",
        "ALTER TABLE parametro_totem_historico DROP COLUMN idcopia",
        "ALTER TABLE parametro_totem_historico DROP COLUMN nrrestaurada",
        "ALTER TABLE parametro_totem_historico DROP COLUMN iddesfeita",
        "ALTER TABLE parametro_totem_historico DROP COLUMN idsemparametro",
        "DELETE FROM schema_migrations WHERE version > 2"})
    TestDatabase::Sqlite(copy)->Query(sql);

  if (geteuid() == 0) {
    ASSERT_EQ(chown(db_.c_str(), 65534, 65534), 0);  // the service's user, say
  }
  std::string output;
  ASSERT_EQ(Tool({"restore", copy, "--autor", "maria"}, &output), 0) << output;
  const std::string aside = After(output, "base anterior guardada como ");
  EXPECT_NE(output.find("(esquema 2, atualizado para "), std::string::npos) << output;
  EXPECT_EQ(Message(aside), "depois da cópia") << "nothing of the replaced database is lost";
  EXPECT_FALSE(fs::exists(db_ + "-wal"));
  struct stat restored {
  }, kept{};
  ASSERT_EQ(stat(db_.c_str(), &restored), 0);
  ASSERT_EQ(stat(aside.c_str(), &kept), 0);
  EXPECT_EQ(restored.st_mode, kept.st_mode);
  EXPECT_EQ(restored.st_uid, kept.st_uid);

  server_->Restart();
  ModuleClient client(server_->Host(), server_->Port());
  EXPECT_EQ(client.Rows("getCarregaPar", {"0001", "001"})[0][7], "na cópia");
  Save(*server_, "depois da restauração");
  ASSERT_EQ(Tool({"history", "--branch", "0001", "--register", "001"}, &output), 0) << output;
  const auto restore = output.find("restaurado de " + copy + " por restore:maria em 20");
  EXPECT_NE(restore, std::string::npos) << output;
  EXPECT_LT(output.find("\"na cópia\""), restore) << output;
  EXPECT_GT(output.find("\"depois da restauração\""), restore) << output;
  EXPECT_EQ(output.find("depois da cópia"), std::string::npos) << output;
}

}  // namespace
}  // namespace totem::test
