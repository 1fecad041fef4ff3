// Acknowledged saves survive the server being killed, and a stop signal ends
// it cleanly.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

namespace totem::test {
namespace {

// The initial message stored for a register, read straight from the database.
std::map<std::string, std::string> StoredMessages(TestDatabase& db, std::string* integrity) {
  std::map<std::string, std::string> out;
  for (const auto& row :
       db.Query("SELECT cdfilial || '/' || cdcaixa, dsmsginitot FROM parametro_totem"))
    out[row.at(0)] = row.at(1);
  *integrity = db.IntegrityCheck();
  return out;
}

int Counter(const std::string& message) { return std::stoi(message.substr(message.find('#') + 1)); }

TEST(Durability, AcknowledgedSavesSurviveKill9) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "totem");
  ServerProcess server(ServerOn(db->Address(), true));

  // Demo registers 0001/001..004, 0002/001..003: one writer per register.
  const std::vector<std::pair<std::string, std::string>> registers = {
      {"0001", "001"}, {"0001", "002"}, {"0001", "003"}, {"0002", "001"}};
  std::mutex mutex;
  std::condition_variable progress;
  std::map<std::string, int> acknowledged;  // register -> last counter the server confirmed
  int total = 0;
  std::atomic<bool> stop{false};

  std::vector<std::thread> writers;
  for (const auto& [filial, caixa] : registers) {
    writers.emplace_back([&, filial = filial, caixa = caixa] {
      ModuleClient client(server.Host(), server.Port());
      for (int n = 1; !stop; ++n) {
        std::vector<std::string> args = {
            filial, caixa, "2", "", "S", "", "", "30", "Mensagem #" + std::to_string(n),
            "",     "S",   "S", ""};
        try {
          if (client.Envelope("setUpdParametros", args)["status"] != "ok") return;
        } catch (const std::exception&) {
          return;  // the server is gone
        }
        std::lock_guard lock(mutex);
        acknowledged[filial + "/" + caixa] = n;
        ++total;
        progress.notify_all();
      }
    });
  }
  {
    std::unique_lock lock(mutex);
    progress.wait(lock, [&] { return total >= 120; });
  }
  server.Kill9();
  stop = true;
  for (auto& w : writers) w.join();
  // PostgreSQL still runs a COMMIT that reached it just before the kill. A
  // save holds its register's row lock until it ends, so taking the locks
  // waits for such a save to land (or be rolled back) before reading.
  if (TestDatabase::UsingPostgres())
    db->Query("SELECT 1 FROM caixa WHERE cdfilial IN ('0001', '0002') FOR UPDATE");

  std::string integrity;
  auto stored = StoredMessages(*db, &integrity);
  EXPECT_EQ(integrity, "ok");
  for (const auto& [key, counter] : acknowledged) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(stored.count(key));
    // The save in flight when the server died may or may not have landed.
    EXPECT_GE(Counter(stored[key]), counter);
    EXPECT_LE(Counter(stored[key]), counter + 1);
  }

  server.Restart();
  ModuleClient client(server.Host(), server.Port());
  for (const auto& [key, message] : stored) {
    auto rows = client.Rows("getCarregaPar", {key.substr(0, 4), key.substr(5)});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][7], message);
  }
}

TEST(Durability, SigtermEndsTheServerWithExitCodeZero) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "totem");
  ServerProcess server(ServerOn(db->Address(), true));
  {
    ModuleClient client(server.Host(), server.Port());
    ASSERT_EQ(client.Envelope("getFilial", {})["status"], "ok");
  }
  EXPECT_EQ(server.Terminate(), 0);
}

TEST(Durability, StopAnswersTheCallInFlightAndClosesIdleConnections) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "totem");
  ServerProcess server(ServerOn(db->Address(), true));

  RawConnection idle(server.Host(), server.Port());
  idle.Send(
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})"));
  ASSERT_EQ(StatusOf(idle.ReadResponse()), 200);

  // A save whose head has arrived and whose body the client has yet to send.
  std::vector<std::string> args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Gravado durante o encerramento";
  const std::string body = nlohmann::json{
      {"jsonrpc", "2.0"},
      {"id", 2},
      {"method", "setUpdParametros"},
      {"params", args}}.dump();
  const std::string request = PostRequest(kModulePath, body, "Expect: 100-continue\r\n");
  RawConnection inFlight(server.Host(), server.Port());
  inFlight.Send(request.substr(0, request.size() - body.size()));
  ASSERT_EQ(StatusOf(inFlight.ReadResponse()), 100);

  ASSERT_EQ(kill(server.Pid(), SIGTERM), 0);
  EXPECT_EQ(idle.ReadUntilClosed(), "") << "an idle keep-alive connection must not delay the stop";
  inFlight.Send(body);
  std::string answer = inFlight.ReadResponse();
  ASSERT_EQ(StatusOf(answer), 200) << answer;
  EXPECT_EQ(nlohmann::json::parse(BodyOf(answer))["result"]["envelope"]["status"], "ok");
  EXPECT_EQ(server.Terminate(), 0);

  std::string integrity;
  EXPECT_EQ(StoredMessages(*db, &integrity)["0001/001"],
            SaveField(args, contract::col::DSMSGINITOT));
}

}  // namespace
}  // namespace totem::test
