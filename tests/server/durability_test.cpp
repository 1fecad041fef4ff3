// Acknowledged saves survive the server being killed, and a stop signal ends
// it cleanly.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <map>
#include <mutex>
#include <thread>

namespace totem::test {
namespace {

using nlohmann::json;

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

// Waits until a write transaction that takes the copies' turn is open: over
// SQLite, the file's write lock is held; over PostgreSQL, the turn's lock.
bool UndoUnderWay(TestDatabase& db) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    if (TestDatabase::UsingPostgres()) {
      if (db.Query("SELECT COUNT(*) FROM pg_locks WHERE locktype = 'advisory' AND objid = "
                   "744110002 AND granted")[0][0] != "0")
        return true;
      continue;
    }
    sqlite3* probe = nullptr;
    sqlite3_open_v2(db.Address().substr(db.Address().find(':') + 1).c_str(), &probe,
                    SQLITE_OPEN_READWRITE, nullptr);
    const int rc = sqlite3_exec(probe, "BEGIN IMMEDIATE; ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(probe);
    if (rc == SQLITE_BUSY) return true;
  }
  return false;
}

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

// Undoing a copy to thousands of registers, killed while its transaction is
// open, leaves every destination put back or none; the undo can then be run
// again and finishes the work.
TEST(Durability, AnUndoKilledMidwayLeavesEveryDestinationPutBackOrNone) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "totem");
  std::string filiais = "CDFILIAL,NMFILIAL\n", caixas = "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n";
  json destinos = json::array();
  for (int f = 1; f <= 3; ++f) {
    const std::string filial = "000" + std::to_string(f);
    filiais += filial + ",Filial\n";
    for (int c = 1; c <= 999; ++c) {
      std::string caixa = std::to_string(c);
      caixa.insert(0, 3 - caixa.size(), '0');
      caixas += filial + "," + caixa + ",Caixa,L,Loja\n";
      if (f > 1 || c > 1) destinos.push_back({filial, caixa});
    }
  }
  WriteFile(dir.File("f.csv"), filiais);
  WriteFile(dir.File("c.csv"), caixas);
  std::string output;
  ASSERT_EQ(ServerProcess::RunTool({"import", "--criar-banco", "--db", db->Address(),
                                    dir.File("f.csv"), dir.File("c.csv")},
                                   &output),
            0)
      << output;
  ServerProcess server(ServerOn(db->Address()));
  {
    ModuleClient client(server.Host(), server.Port());
    auto args = ValidSaveArgs();
    // A statement without a product group: this chain has none.
    SaveField(args, contract::col::IDTIPEXTTOT) = "2";
    SaveField(args, contract::col::CDGRUPPROD) = "";
    ASSERT_EQ(client.Envelope("setUpdParametros", args)["status"], "ok");
    ASSERT_EQ(
        client.CallJson("setCopiaParametros",
                        {"0001", "001", destinos})["result"]["envelope"]["packet"]["rows"][0][2],
        "1");
  }
  const auto counts = [&] {
    return db->Query(
        "SELECT (SELECT COUNT(*) FROM parametro_totem),"
        " (SELECT COUNT(*) FROM parametro_totem_historico WHERE iddesfeita = 1)")[0];
  };
  const std::string n = std::to_string(destinos.size());
  ASSERT_EQ(counts(), (std::vector<std::string>{std::to_string(destinos.size() + 1), "0"}));

  RawConnection undo(server.Host(), server.Port());
  undo.Send(PostRequest(kModulePath,
                        R"({"jsonrpc":"2.0","id":1,"method":"setDesfazCopia","params":["1"]})"));
  ASSERT_TRUE(UndoUnderWay(*db)) << "the undo never started";
  server.Kill9();
  if (TestDatabase::UsingPostgres()) db->Query("SELECT pg_advisory_xact_lock(744110002)");
  const auto after = counts();
  EXPECT_TRUE(after == (std::vector<std::string>{"1", n}) ||
              after == (std::vector<std::string>{std::to_string(destinos.size() + 1), "0"}))
      << after[0] << " records, " << after[1] << " put back";
  EXPECT_EQ(db->IntegrityCheck(), "ok");

  server.Restart();
  ModuleClient client(server.Host(), server.Port());
  const auto rows = client.Rows("setDesfazCopia", {"1"});
  EXPECT_EQ(std::stoi(rows[0][0].get<std::string>()) + std::stoi(rows[0][1].get<std::string>()),
            std::stoi(n));
  EXPECT_EQ(counts(), (std::vector<std::string>{"1", n}));
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
