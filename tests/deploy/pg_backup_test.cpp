// The PostgreSQL backup and restore of docs/operations.md, with the guide's
// own commands against the test run's cluster: pg_dump -Fc while the server
// runs and saves; the server stopped; pg_restore --clean --if-exists into the
// same database; the server started again serves the settings backed up.
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace totem;
using test::RemoteClient;
using test::ServerProcess;
using test::TempDir;
using test::TestDatabase;

namespace {

// The guide's commands, up to the database (-d totem there) and the file.
constexpr const char* kDump = "pg_dump -Fc -d ";
constexpr const char* kRestore = "pg_restore --clean --if-exists -d ";

std::string Message(RemoteClient& client) {
  auto envelope = client.rpc.getCarregaPar("0001", "001");
  if (!envelope.ok || !envelope.packet || envelope.packet->rows.empty()) return {};
  return envelope.packet
      ->rows[0][static_cast<std::size_t>(envelope.packet->ColumnIndex("DSMSGINITOT"))]
      .value_or("");
}

TEST(PgBackup, TheGuidesPgDumpAndPgRestoreBringBackTheSettingsBackedUp) {
  if (!TestDatabase::UsingPostgres())
    GTEST_SKIP() << "needs the PostgreSQL cluster of the test run";
  std::ostringstream guide;
  guide << std::ifstream(TOTEM_SOURCE_DIR "/docs/operations.md").rdbuf();
  for (const std::string command : {kDump, kRestore})
    ASSERT_NE(guide.str().find(command + std::string("totem ")), std::string::npos)
        << "the guide's " << command;

  TempDir dir;
  auto db = TestDatabase::Create(dir, "pg_backup");
  const std::string database = "'" + db->Address().substr(std::string("postgresql:").size()) + "'";
  const std::string dump = dir.File("totem.dump");
  ServerProcess server({db->Address(), true, {}});
  {
    RemoteClient client(server.Host(), server.Port());
    ASSERT_TRUE(client.SaveNumbered("0001", "001", 1).ok);
    ASSERT_EQ(std::system((kDump + database + " -f " + dump).c_str()), 0);
    ASSERT_TRUE(client.SaveNumbered("0001", "001", 2).ok);
    ASSERT_EQ(Message(client), "#2");
  }
  EXPECT_EQ(server.Terminate(), 0);
  ASSERT_EQ(std::system((kRestore + database + " " + dump).c_str()), 0);

  server.Restart();
  RemoteClient client(server.Host(), server.Port());
  EXPECT_EQ(Message(client), "#1");
  EXPECT_TRUE(client.SaveNumbered("0001", "001", 3).ok) << "the restored database takes saves";
  EXPECT_EQ(
      db->Query("SELECT MAX(nrgravacao) FROM parametro_totem_historico WHERE cdfilial = '0001'"
                " AND cdcaixa = '001'")
          .at(0)
          .at(0),
      "2");
}

}  // namespace
