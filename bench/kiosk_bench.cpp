// The kiosks' read path, measured against a bare keep-alive echo on the
// server's own HTTP stack in the same run:
//   1. a conditional GET answered 304 (one connection, p50), against the
//      echo answering the same 304, in turns, unpinned and pinned;
//   2. over SQLite, 5,000 kiosks waiting at once, one per register: the
//      server's memory; each save of one register delivered to the kiosks
//      waiting on it (its p99 from sending the save); one copy to all 5,000
//      registers delivered to every kiosk (time until the last);
//   3. two servers over one PostgreSQL behind nginx: a save through one
//      delivered to a kiosk waiting on the other, and to one behind nginx.
//
//   build/bench/kiosk_bench [--calls N] [--kiosks N] [--saves N]
#include "bench/beast_echo.h"
#include "bench/bench_client.h"
#include "bench/chain.h"
#include "bench/placement.h"
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "server/store/store_factory.h"
#include "tests/support/project_scripts.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <boost/asio/connect.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>

using namespace totem;
using bench::Clock;
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

using bench::Code;
using bench::FillChain;
using bench::KioskPath;

std::string GetRequest(const std::string& path, const std::string& etag) {
  return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nIf-None-Match: " + etag + "\r\n\r\n";
}

std::string SaveBody(const CaixaKey& caixa, int n) {
  return rpc::EncodeRequest(n, "setUpdParametros",
                            {caixa.cdFilial, caixa.cdCaixa, "2", "", "S", "", "", "30",
                             "Versão " + std::to_string(n), "", "N", "S", ""});
}

// Kiosks on one event loop thread, each on a connection of its own, each
// always waiting (?aguardar=60) for the version after the one it has, as a
// real kiosk does. Every 200 is recorded with its arrival time.
class Kiosks {
 public:
  Kiosks(const std::string& host, int port, const std::vector<CaixaKey>& caixas) {
    const asio::ip::tcp::endpoint at(asio::ip::make_address(host),
                                     static_cast<unsigned short>(port));
    for (const auto& caixa : caixas) {
      auto kiosk = std::make_unique<Kiosk>(loop_);
      kiosk->path = KioskPath(caixa) + "?aguardar=60";
      kiosk->owner = this;
      kiosks_.push_back(std::move(kiosk));
    }
    for (auto& kiosk : kiosks_) {
      kiosk->stream.async_connect(at, [k = kiosk.get()](beast::error_code ec) {
        if (!ec) k->Ask();
      });
    }
    thread_ = std::thread([this] { loop_.run(); });
  }
  ~Kiosks() {
    loop_.stop();
    thread_.join();
  }
  // Kiosks that have asked at least once.
  int Asking() const { return asking_; }
  long long Delivered() const { return delivered_; }
  std::vector<Clock::time_point> Arrivals() {
    std::lock_guard lock(mutex_);
    return arrivals_;
  }
  void ClearArrivals() {
    std::lock_guard lock(mutex_);
    arrivals_.clear();
  }

 private:
  struct Kiosk {
    explicit Kiosk(asio::io_context& loop) : stream(loop) {}
    void Ask() {
      if (!asked) ++owner->asking_;
      asked = true;
      request = {http::verb::get, path, 11};
      request.set(http::field::host, "127.0.0.1");
      request.set(http::field::if_none_match, etag);
      http::async_write(stream, request, [this](beast::error_code ec, std::size_t) {
        if (ec) return;
        response = {};
        http::async_read(stream, buffer, response, [this](beast::error_code ec, std::size_t) {
          if (ec) return;
          if (response.result_int() == 200) {
            etag = std::string(response[http::field::etag]);
            owner->Arrived();
          }
          Ask();
        });
      });
    }
    beast::tcp_stream stream;
    beast::flat_buffer buffer;
    http::request<http::empty_body> request;
    http::response<http::string_body> response;
    std::string path;
    std::string etag = "\"0\"";
    bool asked = false;
    Kiosks* owner = nullptr;
  };

  void Arrived() {
    std::lock_guard lock(mutex_);
    arrivals_.push_back(Clock::now());
    ++delivered_;
  }

  asio::io_context loop_{1};
  std::vector<std::unique_ptr<Kiosk>> kiosks_;
  std::thread thread_;
  std::atomic<int> asking_{0};
  std::atomic<long long> delivered_{0};
  std::mutex mutex_;
  std::vector<Clock::time_point> arrivals_;
};

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
  const auto until = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// For each save: the time from sending it until each of the `waiting`
// kiosks of its register had the new version, in ms.
std::vector<double> SaveDeliveries(int port, Kiosks& kiosks, const CaixaKey& caixa, int waiting,
                                   int saves, int firstNumber) {
  std::vector<double> samples;
  for (int n = 0; n < saves; ++n) {
    kiosks.ClearArrivals();
    const long long before = kiosks.Delivered();
    const auto sent = Clock::now();
    bench::HttpClient(port, bench::PostRequest(SaveBody(caixa, firstNumber + n))).Call();
    if (!WaitFor([&] { return kiosks.Delivered() >= before + waiting; },
                 std::chrono::seconds(10))) {
      std::fprintf(stderr, "a save was not delivered to every kiosk within 10 s\n");
      break;
    }
    for (const auto& at : kiosks.Arrivals()) samples.push_back(bench::Ms(at - sent));
    // Every kiosk waits again before the next save.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return samples;
}

double P99(std::vector<double> samples) {
  if (samples.empty()) return -1;
  std::sort(samples.begin(), samples.end());
  return samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}

void Row(const char* what, double value, const char* unit, const char* target = "") {
  std::printf("%-62s %10.1f %-6s %s\n", what, value, unit, target);
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = bench::IntOption(argc, argv, "--calls", 20000);
  const int kioskCount = bench::IntOption(argc, argv, "--kiosks", 5000);
  const int saves = bench::IntOption(argc, argv, "--saves", 100);
  constexpr int kOnOneRegister = 50;
  bench::RaiseOpenFileLimit();
  test::TempDir dir;

  const auto caixas = FillChain("sqlite:" + dir.File("kiosk.db"), kioskCount);
  test::ServerProcess server({dir.File("kiosk.db"),
                              false,
                              {"--max-connections", std::to_string(kioskCount + 500),
                               "--keep-alive-requests", "1000000", "--no-call-log"}});

  // 1. A conditional GET answered 304, against the echo answering the same.
  const std::string conditional = GetRequest(KioskPath(caixas[0]), "\"0\"");
  bench::BeastEcho echo("", 304, {{"ETag", "\"0\""}, {"Cache-Control", "no-cache"}});
  bench::HttpClient toEcho(echo.Port(), conditional), toServer(server.Port(), conditional);
  std::printf("kiosks' read path (%d calls for latency; %d kiosks; %d saves)\n", calls, kioskCount,
              saves);
  std::printf("%-62s %10s %-6s %s\n", "measure", "value", "unit", "ratio or target");
  // In turns, with the threads where the system puts them, then pinned
  // (see placement.h): on one CPU, and the servers on another.
  {
    bench::Placement placement;
    std::vector<bench::Placement::Arrangement> arrangements = {{"", -1, -1}};
    for (auto& pinned : placement.Arrangements()) {
      pinned.name = ", " + pinned.name;
      arrangements.push_back(pinned);
    }
    for (const auto& [name, client, servers] : arrangements) {
      if (client >= 0) placement.Arrange(client, servers, {server.Pid()});
      const std::vector<bench::Stats> turns =
          bench::LatencyInTurns(calls, {[&] { toEcho.Call(); }, [&] { toServer.Call(); }});
      placement.Release();
      Row(("bare 304 echo on Beast p50" + name).c_str(), turns[0].p50_us, "us");
      Row(("304 through totem-server p50" + name).c_str(), turns[1].p50_us, "us",
          ("x" + std::to_string(turns[1].p50_us / turns[0].p50_us) + " of the echo (target <= 1.1)")
              .c_str());
    }
  }

  // 2. Thousands of kiosks waiting at once on SQLite.
  const long idleKib = bench::ResidentKib(server.Pid());
  {
    std::vector<CaixaKey> waitingOn = caixas;
    for (int i = 0; i < kOnOneRegister - 1; ++i) waitingOn.push_back(caixas[1]);
    Kiosks kiosks(server.Host(), server.Port(), waitingOn);
    // Each first asks with "0" and gets its register's body, then waits.
    WaitFor([&] { return kiosks.Delivered() >= static_cast<long long>(waitingOn.size()); },
            std::chrono::seconds(60));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long waitingKib = bench::ResidentKib(server.Pid());
    Row(("server memory before the kiosks connect"), idleKib / 1024.0, "MB");
    Row(("server memory, " + std::to_string(waitingOn.size()) + " kiosks waiting").c_str(),
        waitingKib / 1024.0, "MB", "(target < 300 MB)");

    const auto deliveries =
        SaveDeliveries(server.Port(), kiosks, caixas[1], kOnOneRegister, saves, 1);
    Row(("save delivered to the " + std::to_string(kOnOneRegister) + " kiosks of its register, p50")
            .c_str(),
        bench::Median(deliveries), "ms");
    Row(("save delivered to the " + std::to_string(kOnOneRegister) + " kiosks of its register, p99")
            .c_str(),
        P99(deliveries), "ms", "(target < 100 ms)");

    // One copy to every other register: one committed change each.
    nlohmann::json destinos = nlohmann::json::array();
    for (std::size_t i = 1; i < caixas.size(); ++i)
      destinos.push_back({caixas[i].cdFilial, caixas[i].cdCaixa});
    const std::string copy = rpc::EncodeRequestJson(
        1, "setCopiaParametros",
        nlohmann::json::array({caixas[0].cdFilial, caixas[0].cdCaixa, destinos}));
    kiosks.ClearArrivals();
    const long long before = kiosks.Delivered();
    const long long expected = static_cast<long long>(destinos.size()) + kOnOneRegister - 1;
    const auto sent = Clock::now();
    const std::string answer = bench::HttpClient(server.Port(), bench::PostRequest(copy)).Call();
    const double copied = bench::Ms(Clock::now() - sent);
    const bool all =
        WaitFor([&] { return kiosks.Delivered() >= before + expected; }, std::chrono::seconds(30));
    const auto arrivals = kiosks.Arrivals();
    const double last = arrivals.empty()
                            ? -1
                            : bench::Ms(*std::max_element(arrivals.begin(), arrivals.end()) - sent);
    if (answer.find("\"ok\"") == std::string::npos)
      std::fprintf(stderr, "copy refused: %s\n", answer.c_str());
    Row(("copy to " + std::to_string(destinos.size()) + " registers answered").c_str(), copied,
        "ms");
    Row(("... delivered to all " + std::to_string(expected) + " of their kiosks" +
         (all ? "" : " (NOT ALL)"))
            .c_str(),
        last, "ms", "(target < 2000 ms)");
    Row("server memory after the copy", bench::ResidentKib(server.Pid()) / 1024.0, "MB");
  }

  // 3. Two servers over one PostgreSQL behind nginx.
  const std::string cluster = dir.File("cluster");
  test::RunProjectScript("pg-cluster start " + cluster);
  try {
    std::string conninfo;
    std::getline(std::ifstream(cluster + "/conninfo"), conninfo);
    test::ServerProcess a({"postgresql:" + conninfo, true, {"--no-call-log"}});
    test::ServerProcess b({"postgresql:" + conninfo, true, {"--no-call-log"}});
    const std::string front = dir.File("nginx");
    const int frontPort = std::stoi(test::RunProjectScript(
        "nginx-front start " + front + " " + a.Host() + ":" + std::to_string(a.Port()) + " " +
        b.Host() + ":" + std::to_string(b.Port())));
    const CaixaKey caixa{"0001", "001"};
    {
      Kiosks onOther(b.Host(), b.Port(), {caixa});
      Kiosks behindNginx("127.0.0.1", frontPort, {caixa});
      WaitFor([&] { return onOther.Delivered() >= 1 && behindNginx.Delivered() >= 1; },
              std::chrono::seconds(10));
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      std::vector<double> direct, proxied;
      for (int n = 0; n < saves; ++n) {
        const long long d0 = onOther.Delivered(), p0 = behindNginx.Delivered();
        onOther.ClearArrivals();
        behindNginx.ClearArrivals();
        const auto sent = Clock::now();
        bench::HttpClient(a.Port(), bench::PostRequest(SaveBody(caixa, 1000 + n))).Call();
        if (!WaitFor([&] { return onOther.Delivered() > d0 && behindNginx.Delivered() > p0; },
                     std::chrono::seconds(10)))
          break;
        direct.push_back(bench::Ms(onOther.Arrivals().front() - sent));
        proxied.push_back(bench::Ms(behindNginx.Arrivals().front() - sent));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      Row("PostgreSQL: save through one server, kiosk on the other, p50", bench::Median(direct),
          "ms");
      Row("PostgreSQL: save through one server, kiosk on the other, p99", P99(direct), "ms",
          "(target < 200 ms)");
      Row("PostgreSQL: save through one server, kiosk behind nginx, p99", P99(proxied), "ms",
          "(target < 200 ms)");
    }
    test::RunProjectScript("nginx-front stop " + front);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "PostgreSQL: %s\n", e.what());
  }
  test::RunProjectScript("pg-cluster stop " + cluster);
  return 0;
}
