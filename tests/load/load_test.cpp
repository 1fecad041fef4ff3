// The server under load and under faults, on loopback only and bounded in
// time: 50 clients mixing reads and saves of their own registers for a
// minute; 100 clients trickling a header byte per second while a normal
// client is still answered (through nginx); the server killed in the middle
// of the load and started again. Figures go to standard output.
#include "platform/errors.h"
#include "tests/support/acknowledged_saves.h"
#include "tests/support/crowd.h"
#include "tests/support/project_scripts.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

using namespace totem;
using namespace std::chrono_literals;
using test::AcknowledgedSaves;
using test::RemoteClient;
using test::ResidentKib;
using test::ServerProcess;
using test::TempDir;
using test::TestDatabase;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 50;

std::string Code(int n, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, n);
  return buf;
}

// 10 branches with 10 registers each: every client gets registers of its own.
void ImportChain(const TempDir& dir, const std::string& address) {
  std::ofstream f(dir.File("filial.csv")), c(dir.File("caixa.csv"));
  f << "CDFILIAL,NMFILIAL\n";
  c << "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n";
  for (int b = 1; b <= 10; ++b) {
    f << Code(b, 4) << ",Filial " << b << "\n";
    for (int r = 1; r <= 10; ++r)
      c << Code(b, 4) << "," << Code(r, 3) << ",Caixa " << r << ",1,Loja\n";
  }
  f.close();
  c.close();
  std::string out;
  if (ServerProcess::RunTool({"import", "--criar-banco", "--db", address, dir.File("filial.csv"),
                              dir.File("caixa.csv")},
                             &out) != 0)
    throw std::runtime_error("import failed: " + out);
}

std::pair<std::string, std::string> RegisterOf(int client) {
  return {Code(1 + client / 10, 4), Code(1 + client % 10, 3)};
}

int Seconds(const char* variable, int fallback) {
  const char* v = std::getenv(variable);
  return v && *v ? std::atoi(v) : fallback;
}

}  // namespace

TEST(Load, FiftyClientsReadAndSaveForAMinuteWithoutAFailure) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "load");
  ImportChain(dir, db->Address());
  // Fifty kept-alive clients on the default eight workers: a connection
  // holds a worker only while its call runs.
  ServerProcess server({db->Address(), false, {}});
  const auto duration = std::chrono::seconds(Seconds("TOTEM_LOAD_SECONDS", 60));

  std::atomic<long long> reads{0}, saves{0}, failures{0};
  std::mutex mutex;
  AcknowledgedSaves acknowledged;
  std::vector<double> latencies;
  const auto until = Clock::now() + duration;
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      RemoteClient client(server.Host(), server.Port());
      client.connection.SetTimeout(20s);
      const auto reg = RegisterOf(c);
      std::vector<double> mine;
      int n = 0;
      // Bounded by count and by time, whichever comes first.
      for (int i = 0; i < 200000 && Clock::now() < until; ++i) {
        const bool save = i % 4 == 0;  // one save for three reads
        const auto t0 = Clock::now();
        bool ok = false;
        try {
          ok = (save ? client.SaveNumbered(reg.first, reg.second, ++n)
                     : client.rpc.getCarregaPar(reg.first, reg.second))
                   .ok;
        } catch (const TotemError&) {
        }
        mine.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        if (!ok) {
          ++failures;
          continue;
        }
        if (save) {
          ++saves;
          std::lock_guard lock(mutex);
          acknowledged[reg.first + "/" + reg.second].insert(n);
        } else {
          ++reads;
        }
      }
      std::lock_guard lock(mutex);
      latencies.insert(latencies.end(), mine.begin(), mine.end());
    });
  }
  for (auto& t : clients) t.join();

  std::sort(latencies.begin(), latencies.end());
  const double seconds = std::chrono::duration<double>(duration).count();
  std::printf(
      "load: %d clients, %.0f s, %lld reads, %lld saves, %lld failed; %.0f calls/s;"
      " p50 %.0f us, p99 %.0f us\n",
      kClients, seconds, reads.load(), saves.load(), failures.load(), (reads + saves) / seconds,
      latencies[latencies.size() / 2], latencies[latencies.size() * 99 / 100]);
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(saves.load(), 0);
  test::ExpectAcknowledgedSavesStored(*db, acknowledged);
}

TEST(Load, KillingTheServerUnderLoadLosesNoAcknowledgedSave) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "kill");
  ImportChain(dir, db->Address());
  ServerProcess server({db->Address(), false, {}});

  std::atomic<bool> stop{false};
  std::atomic<long long> saves{0};
  std::mutex mutex;
  AcknowledgedSaves acknowledged;
  std::vector<std::thread> clients;
  const std::string host = server.Host();
  const int port = server.Port();
  for (int c = 0; c < 20; ++c) {
    clients.emplace_back([&, c] {
      RemoteClient client(host, port);
      client.connection.SetTimeout(3s);
      const auto reg = RegisterOf(c);
      for (int n = 1; n < 100000 && !stop; ++n) {
        bool ok = false;
        try {
          ok = client.SaveNumbered(reg.first, reg.second, n).ok;
        } catch (const TotemError&) {
          std::this_thread::sleep_for(10ms);  // the server is gone; try again shortly
        }
        if (ok) {
          ++saves;
          std::lock_guard lock(mutex);
          acknowledged[reg.first + "/" + reg.second].insert(n);
        }
      }
    });
  }
  const auto deadline = Clock::now() + 20s;
  while (saves < 300 && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
  server.Kill9();
  const auto killedAt = Clock::now();
  const long long atKill = saves;
  server.RestartOnSamePort();
  while (saves == atKill && Clock::now() < deadline + 20s) std::this_thread::sleep_for(1ms);
  const double outageMs =
      std::chrono::duration<double, std::milli>(Clock::now() - killedAt).count();
  while (saves < atKill + 300 && Clock::now() < deadline + 20s) std::this_thread::sleep_for(5ms);
  stop = true;
  for (auto& t : clients) t.join();
  server.Terminate();
  std::printf(
      "kill: 20 writers; %lld saves acknowledged before kill -9, first save %.0f ms after it"
      " (restart included), %lld saves in all\n",
      atKill, outageMs, saves.load());

  EXPECT_GE(saves.load(), atKill + 300) << "saves resumed after the restart";
  test::ExpectAcknowledgedSavesStored(*db, acknowledged);
}

namespace {

// A client that sends one byte of its request head per second.
class Trickle {
 public:
  explicit Trickle(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << "connect";
  }
  ~Trickle() { close(fd_); }
  void SendByte(char c) { (void)!send(fd_, &c, 1, MSG_NOSIGNAL); }

 private:
  int fd_;
};

}  // namespace

TEST(Load, SlowClientsDoNotStarveANormalOneBehindNginx) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "slow");
  ServerProcess server({db->Address(), true, {}});
  const std::string front = dir.File("nginx");
  const int port = std::stoi(test::RunProjectScript(
      "nginx-front start " + front + " " + server.Host() + ":" + std::to_string(server.Port())));
  {
    std::vector<std::unique_ptr<Trickle>> slow;
    for (int i = 0; i < 100; ++i) slow.push_back(std::make_unique<Trickle>(port));
    const std::string head = "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\n";
    RemoteClient normal("127.0.0.1", port);
    normal.connection.SetTimeout(2s);
    // Five seconds of trickling, a normal call each second: bounded and
    // self-stopping.
    for (int second = 0; second < 5; ++second) {
      for (auto& s : slow) s->SendByte(head[static_cast<std::size_t>(second) % head.size()]);
      const auto t0 = Clock::now();
      EXPECT_TRUE(normal.rpc.getCarregaPar("0001", "001").ok) << "second " << second;
      EXPECT_LT(Clock::now() - t0, 1s);
      std::this_thread::sleep_for(1s);
    }
  }
  test::RunProjectScript("nginx-front stop " + front);
}

namespace {

const std::string kWriterToken = "escritorio-0123456789abcdef01234567";
const std::string kReaderToken = "totens-0123456789abcdef0123456789ab";

std::string Authorized(const std::string& head, const std::string& token,
                       const std::string& body = {}) {
  return head + "Host: 127.0.0.1\r\nAuthorization: Bearer " + token + "\r\n" +
         (body.empty() ? ""
                       : "Content-Type: application/json\r\nContent-Length: " +
                             std::to_string(body.size()) + "\r\n") +
         "\r\n" + body;
}

// The back office saving its register through the module's own client with
// the writer's token until told to stop; every failure is kept.
struct BackOfficeSaving {
  explicit BackOfficeSaving(const ServerProcess& server) : client(server.Host(), server.Port()) {
    client.connection.SetToken(kWriterToken);
    thread = std::thread([this] {
      for (int n = 1; !stop; ++n) {
        try {
          if (client.SaveNumbered("0001", "001", n).ok)
            ++saved;
          else
            failures.push_back("recusada");
        } catch (const std::exception& error) {
          failures.push_back(error.what());
        }
        std::this_thread::sleep_for(20ms);
      }
    });
  }
  ~BackOfficeSaving() { Stop(); }
  void Stop() {
    stop = true;
    if (thread.joinable()) thread.join();
  }
  RemoteClient client;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<int> saved{0};
  std::vector<std::string> failures;
};

ServerProcess TokenServer(const TempDir& dir, const TestDatabase& db,
                          std::vector<std::string> args) {
  std::ofstream(dir.File("tokens"))
      << "escritorio " << kWriterToken << " escrita\ntotens " << kReaderToken << " leitura\n";
  args.insert(args.begin(), {"--token-file", dir.File("tokens"), "--no-call-log"});
  return ServerProcess({db.Address(), false, std::move(args)});
}

}  // namespace

// A stolen kiosk token holding and churning more connections than the cap,
// with waits and slow bodies, and an unauthenticated flood on top: the back
// office's saves all go through, and the health check answers.
TEST(Load, TheBackOfficeGetsThroughKioskFloodsSlowBodiesAndUnauthenticatedConnects) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "flood");
  ImportChain(dir, db->Address());
  ServerProcess server =
      TokenServer(dir, *db, {"--max-connections", "600", "--kiosk-waits-per-address", "50"});
  BackOfficeSaving office(server);
  const std::string wait =
      Authorized("GET /kiosk/v1/parametros/0001/001?aguardar=60 HTTP/1.1\r\n", kReaderToken);
  const std::string waitCurrent = wait.substr(0, wait.size() - 2) + "If-None-Match: *\r\n\r\n";
  const std::string body = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  std::string slow = Authorized("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\n", kReaderToken,
                                body + std::string(500, ' '));
  slow.resize(slow.size() - body.size() - 500 + 10);
  {
    test::Crowd kiosks(server.Port(), 800, {waitCurrent, true, true, 0});
    test::Crowd bodies(server.Port(), 200, {slow, false, true, 0});
    test::Crowd flood(server.Port(), 2000, {"", false, false, 500});
    flood.AwaitConnects(2000, 30s);
    test::Crowd health(server.Port(), 1,
                       {"GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", false, false, 0});
    EXPECT_TRUE(health.AwaitAllDone(10s));
    EXPECT_EQ(health.Answers(), 1) << "the health check answers";
    office.Stop();
    EXPECT_GT(kiosks.Answers(), 0);
  }
  EXPECT_TRUE(office.failures.empty())
      << office.failures.size() << " saves failed; first: " << office.failures.front();
  EXPECT_GT(office.saved, 50);
  RemoteClient after(server.Host(), server.Port());
  after.connection.SetToken(kWriterToken);
  EXPECT_TRUE(after.SaveNumbered("0001", "002", 1).ok) << "still serving once the floods end";
}

// Batches of whole chains sent at once by many connections: the answers
// held stay within the budget (the rest are refused, busy), the saves go
// through meanwhile, and the memory goes back down once they leave.
TEST(Load, LargeAnswersInFlightStayWithinTheBudgetAndTheMemoryGoesBack) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "budget");
  ImportChain(dir, db->Address());
  ServerProcess server = TokenServer(dir, *db, {"--answer-memory", "4"});
  std::string batch = "[";
  for (int i = 1; i <= 10; ++i)
    batch += std::string(i > 1 ? "," : "") + R"({"jsonrpc":"2.0","id":)" + std::to_string(i) +
             R"(,"method":"getConfCaixa","params":[]})";
  batch += "]";
  const std::string request =
      Authorized("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\n", kReaderToken, batch);
  BackOfficeSaving office(server);
  std::this_thread::sleep_for(200ms);
  const long before = ResidentKib(server.Pid());
  long peak = before;
  {
    test::Crowd crowd(server.Port(), 400, {request, false, false, 0});
    for (auto until = Clock::now() + 60s; Clock::now() < until && !crowd.AwaitAllDone(0s);)
      peak = std::max(peak, ResidentKib(server.Pid()));
    EXPECT_TRUE(crowd.AwaitAllDone(1s));
  }
  office.Stop();
  EXPECT_TRUE(office.failures.empty())
      << office.failures.size() << " saves failed; first: " << office.failures.front();
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP()
      << "AddressSanitizer keeps freed memory aside: the server's memory says nothing here";
#endif
  EXPECT_LT(peak - before, 48 * 1024) << "kB over the start at the peak";
  EXPECT_LT(ResidentKib(server.Pid()) - before, 32 * 1024) << "kB over the start once they left";
}
