// Several application servers over one PostgreSQL database behind nginx
// (deploy/nginx/totem.conf): any server answers any call, a server killed in
// the middle of a stream of saves loses no acknowledged save, and a database
// that goes away and comes back is survived.
#include "platform/errors.h"
#include "tests/support/acknowledged_saves.h"
#include "tests/support/project_scripts.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <gtest/gtest.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <map>
#include <mutex>
#include <thread>

using namespace totem;
using namespace std::chrono_literals;
using test::AcknowledgedSaves;
using test::RemoteClient;
using test::ServerProcess;
using test::TempDir;
using test::TestDatabase;

namespace {

// The first text of a register's stored record, "" when it has none.
std::string Message(RemoteClient& client, const std::string& filial, const std::string& caixa) {
  auto envelope = client.rpc.getCarregaPar(filial, caixa);
  if (!envelope.ok || !envelope.packet || envelope.packet->rows.empty()) return {};
  return envelope.packet
      ->rows[0][static_cast<std::size_t>(envelope.packet->ColumnIndex("DSMSGINITOT"))]
      .value_or("");
}

class TwoServers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TestDatabase::UsingPostgres())
      GTEST_SKIP() << "needs the PostgreSQL cluster of the test run";
    db_ = TestDatabase::Create(dir_, "two_servers");
    a_ = std::make_unique<ServerProcess>(ServerProcess::Options{db_->Address(), true, {}});
    b_ = std::make_unique<ServerProcess>(ServerProcess::Options{db_->Address(), true, {}});
    front_ = dir_.File("nginx");
    frontPort_ = std::stoi(test::RunProjectScript("nginx-front start " + front_ + " " +
                                                  Upstream(*a_) + " " + Upstream(*b_)));
  }
  void TearDown() override {
    if (!front_.empty()) test::RunProjectScript("nginx-front stop " + front_);
  }
  static std::string Upstream(const ServerProcess& s) {
    return s.Host() + ":" + std::to_string(s.Port());
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_;
  std::unique_ptr<ServerProcess> a_, b_;
  std::string front_;
  int frontPort_ = 0;
};

}  // namespace

TEST_F(TwoServers, ASaveThroughOneIsReadThroughTheOtherAndThroughNginx) {
  RemoteClient one(a_->Host(), a_->Port(), 10s), other(b_->Host(), b_->Port(), 10s),
      front("127.0.0.1", frontPort_, 10s);
  ASSERT_TRUE(one.SaveNumbered("0001", "001", 7).ok);
  EXPECT_EQ(Message(other, "0001", "001"), "#7");
  EXPECT_EQ(Message(front, "0001", "001"), "#7");
  ASSERT_TRUE(front.SaveNumbered("0001", "001", 8).ok);
  EXPECT_EQ(Message(one, "0001", "001"), "#8");
  EXPECT_EQ(Message(other, "0001", "001"), "#8");
}

// A kiosk waiting on one server, straight or through nginx, hears of a save
// made through the other (LISTEN/NOTIFY in the save's transaction).
TEST_F(TwoServers, ASaveThroughOneWakesKiosksWaitingOnTheOtherAndBehindNginx) {
  auto wait = [](const std::string& host, int port) {
    return std::async(std::launch::async, [host, port] {
      httplib::Client http(host, port);
      http.set_read_timeout(30s);
      auto result = http.Get("/kiosk/v1/parametros/0001/001?aguardar=20",
                             httplib::Headers{{"If-None-Match", "\"0\""}});
      return result ? result->status : 0;
    });
  };
  auto onOther = wait(b_->Host(), b_->Port());
  auto behindNginx = wait("127.0.0.1", frontPort_);
  ASSERT_TRUE(test::KiosksWaiting({a_.get(), b_.get()}, 2));
  RemoteClient one(a_->Host(), a_->Port(), 10s);
  ASSERT_TRUE(one.SaveNumbered("0001", "001", 9).ok);
  for (auto* waiting : {&onOther, &behindNginx}) {
    ASSERT_EQ(waiting->wait_for(5s), std::future_status::ready);
    EXPECT_EQ(waiting->get(), 200);
  }
}

TEST_F(TwoServers, KillingOneDuringSavesLosesNoAcknowledgedSave) {
  const std::vector<std::pair<std::string, std::string>> registers = {
      {"0001", "001"}, {"0001", "002"}, {"0002", "001"}, {"0002", "002"}};
  std::atomic<bool> killed{false};
  std::atomic<int> failuresAfterKill{0}, savesAfterKill{0};
  std::mutex mutex;
  AcknowledgedSaves acknowledged;
  std::vector<std::thread> writers;
  for (const auto& [filial, caixa] : registers) {
    writers.emplace_back([&, filial = filial, caixa = caixa] {
      RemoteClient client("127.0.0.1", frontPort_, 10s);
      int inFlightAtKill = 0;
      for (int n = 1; n <= 400; ++n) {
        const bool startedAfterKill = killed.load();
        bool ok = false;
        try {
          ok = client.SaveNumbered(filial, caixa, n).ok;
        } catch (const TotemError&) {
        }
        if (ok) {
          std::lock_guard lock(mutex);
          acknowledged[filial + "/" + caixa].insert(n);
        }
        if (startedAfterKill) {
          ++savesAfterKill;
          // One call per client may have been on the dying server's
          // connection; every later one must go through the other server.
          if (!ok && ++inFlightAtKill > 1) ++failuresAfterKill;
        }
      }
    });
  }
  // Kill the first server once the stream is well under way.
  while (true) {
    std::this_thread::yield();
    std::lock_guard lock(mutex);
    std::size_t total = 0;
    for (const auto& [key, saves] : acknowledged) total += saves.size();
    if (total >= 200) break;
  }
  a_->Kill9();
  killed = true;
  for (auto& w : writers) w.join();

  EXPECT_GT(savesAfterKill.load(), 400);
  EXPECT_EQ(failuresAfterKill.load(), 0);
  test::ExpectAcknowledgedSavesStored(*db_, acknowledged);
}

TEST(DatabaseOutage, ServerAnswersClearErrorsWhileTheDatabaseIsDownAndRecovers) {
  if (!TestDatabase::UsingPostgres()) GTEST_SKIP() << "needs PostgreSQL";
  TempDir dir;
  // A cluster of its own: stopping the shared one would disturb other tests.
  const std::string cluster = dir.File("cluster");
  test::RunProjectScript("pg-cluster start " + cluster);
  std::string conninfo;
  {
    FILE* f = std::fopen((cluster + "/conninfo").c_str(), "r");
    char line[512] = {};
    if (f && std::fgets(line, sizeof line, f)) conninfo = line;
    if (f) std::fclose(f);
    while (!conninfo.empty() && conninfo.back() == '\n') conninfo.pop_back();
  }
  {
    ServerProcess server({"postgresql:" + conninfo, true, {}});
    RemoteClient client(server.Host(), server.Port(), 10s);
    ASSERT_TRUE(client.SaveNumbered("0001", "001", 1).ok);

    test::RunProjectScript("pg-cluster pause " + cluster);
    for (int i = 0; i < 3; ++i) {
      const auto start = std::chrono::steady_clock::now();
      auto envelope = client.rpc.getCarregaPar("0001", "001");
      EXPECT_FALSE(envelope.ok);
      EXPECT_EQ(envelope.code, "ERRO_BD");
      EXPECT_LT(std::chrono::steady_clock::now() - start, 8s);
      auto saved = client.SaveNumbered("0001", "001", 2);
      EXPECT_EQ(saved.code, "ERRO_BD");
    }

    test::RunProjectScript("pg-cluster resume " + cluster);
    EXPECT_EQ(Message(client, "0001", "001"), "#1");  // the refused save wrote nothing
    EXPECT_TRUE(client.SaveNumbered("0001", "001", 3).ok);
    EXPECT_EQ(Message(client, "0001", "001"), "#3");
  }
  test::RunProjectScript("pg-cluster stop " + cluster);
}
