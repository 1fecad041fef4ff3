// What the back office feels while the server is under attack, on a chain of
// 5,000 registers over SQLite, with a writer's token for the back office and
// a read-only token for the kiosks (and the attacker who took one):
//   1. 10,000 kiosk reads waiting for a change and 2,000 slow bodies, both
//      with the read-only token: the back office's saves (p99) and whether
//      /healthz answers;
//   2. an unauthenticated flood of 30,000 connections in 20 s: the back
//      office's saves that failed (its kept-alive connection included);
//   3. 500 connections each sending a batch of 10 getConfCaixa: the
//      server's memory at its peak and after they left, and the saves
//      (p99) meanwhile.
//
//   build/bench/admission_bench [--registers N] [--waits N] [--slow N] [--flood N] [--batches N]
#include "bench/bench_client.h"
#include "bench/chain.h"
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "tests/support/crowd.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <mutex>

using namespace totem;
using bench::Clock;

namespace {

const std::string kWriterToken = "escritorio-0123456789abcdef0123456789";
const std::string kReaderToken = "totens-0123456789abcdef0123456789abcd";

std::string Bearer(const std::string& token) { return "Authorization: Bearer " + token + "\r\n"; }

std::string Post(const std::string& body, const std::string& token) {
  return "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: 127.0.0.1\r\n" + Bearer(token) +
         "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\n\r\n" + body;
}

// The back office saving one register over and over through the module's
// own client, on a thread of its own, until stopped.
class BackOffice {
 public:
  BackOffice(const test::ServerProcess& server, std::chrono::milliseconds pause)
      : client_(server.Host(), server.Port()) {
    client_.connection.SetToken(kWriterToken);
    thread_ = std::thread([this, pause] {
      for (int n = 1; !stop_; ++n) {
        const auto t0 = Clock::now();
        bool ok = false;
        try {
          ok = client_.SaveNumbered("0001", "001", n % 3600 + 1).ok;
        } catch (const std::exception& error) {
          std::lock_guard lock(mutex_);
          if (lastError_.empty()) lastError_ = error.what();
        }
        std::lock_guard lock(mutex_);
        (ok ? samples_ : failures_).push_back(bench::Micros(Clock::now() - t0) / 1000);
        std::this_thread::sleep_for(pause);
      }
    });
  }
  ~BackOffice() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  double P99() {
    std::lock_guard lock(mutex_);
    return samples_.empty() ? -1 : bench::Percentiles(samples_).p99_us;
  }
  std::size_t Saves() {
    std::lock_guard lock(mutex_);
    return samples_.size();
  }
  std::size_t Failures() {
    std::lock_guard lock(mutex_);
    return failures_.size();
  }
  std::string LastError() {
    std::lock_guard lock(mutex_);
    return lastError_;
  }

 private:
  test::RemoteClient client_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<double> samples_, failures_;  // ms
  std::string lastError_;
};

// The server's resident memory, sampled until stopped; its peak.
class MemoryWatch {
 public:
  explicit MemoryWatch(pid_t pid) {
    thread_ = std::thread([this, pid] {
      while (!stop_) {
        peak_ = std::max(peak_.load(), bench::ResidentKib(pid));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    });
  }
  ~MemoryWatch() {
    stop_ = true;
    thread_.join();
  }
  double PeakMb() const { return peak_ / 1024.0; }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<long> peak_{0};
};

void Row(const std::string& what, double value, const char* unit, const char* target = "") {
  std::printf("%-66s %10.1f %-6s %s\n", what.c_str(), value, unit, target);
}

int HealthStatus(int port) {
  const std::string answer =
      bench::HttpClient(port, "GET /healthz HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").Call();
  return answer == "ok\n" ? 200 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int registers = bench::IntOption(argc, argv, "--registers", 5000);
  const int waits = bench::IntOption(argc, argv, "--waits", 10000);
  const int slow = bench::IntOption(argc, argv, "--slow", 2000);
  const int flood = bench::IntOption(argc, argv, "--flood", 30000);
  const int batches = bench::IntOption(argc, argv, "--batches", 500);
  bench::RaiseOpenFileLimit();
  test::TempDir dir;
  const auto caixas = bench::FillChain("sqlite:" + dir.File("chain.db"), registers);
  std::ofstream(dir.File("tokens")) << "escritorio " << kWriterToken << " escrita\n"
                                    << "totens " << kReaderToken << " leitura\n";
  test::ServerProcess server(
      {dir.File("chain.db"), false, {"--token-file", dir.File("tokens"), "--no-call-log"}});
  std::printf("the back office under attack (%d registers; SQLite; default limits)\n", registers);
  std::printf("%-66s %10s %-6s %s\n", "measure", "value", "unit", "target");

  {
    BackOffice quiet(server, std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    quiet.Stop();
    Row("save p99, server otherwise idle", quiet.P99(), "ms");
  }

  // 1. Kiosk waits and slow bodies with the read-only token.
  {
    const std::string kiosk = "GET " + bench::KioskPath(caixas[1]) +
                              "?aguardar=60 HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                              Bearer(kReaderToken) + "If-None-Match: *\r\n\r\n";
    const std::string body = rpc::EncodeRequest(1, "getFilial", {});
    const std::string slowHead =
        "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
        Bearer(kReaderToken) +
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size() + 1000) +
        "\r\n\r\n" + body.substr(0, 10);
    test::Crowd kiosks(server.Port(), waits, {kiosk, true, true, 2000});
    test::Crowd bodies(server.Port(), slow, {slowHead, false, true, 500});
    kiosks.AwaitConnects(waits, std::chrono::seconds(30));
    bodies.AwaitConnects(slow, std::chrono::seconds(30));
    BackOffice office(server, std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const int health = HealthStatus(server.Port());
    office.Stop();
    Row(std::to_string(waits) + " read-token kiosk waits and " + std::to_string(slow) +
            " slow bodies: save p99",
        office.P99(), "ms", "< 100 ms");
    Row("  saves answered / failed", static_cast<double>(office.Saves()), "",
        std::to_string(office.Failures()).c_str());
    Row("  /healthz answered ok", health == 200 ? 1 : 0, "", "1");
    Row("  kiosk answers meanwhile", static_cast<double>(kiosks.Answers()), "");
  }

  // 2. An unauthenticated flood while the back office keeps its connection.
  {
    BackOffice office(server, std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto t0 = Clock::now();
    test::Crowd crowd(server.Port(), flood, {"", false, false, flood / 20.0});
    crowd.AwaitConnects(flood, std::chrono::seconds(40));
    const double seconds = bench::Ms(Clock::now() - t0) / 1000;
    std::this_thread::sleep_for(std::chrono::seconds(1));
    office.Stop();
    Row(std::to_string(crowd.Connects()) + " unauthenticated connects in " +
            std::to_string(seconds).substr(0, 4) + " s: back-office saves failed",
        static_cast<double>(office.Failures()), "", "0");
    if (!office.LastError().empty())
      std::printf("  first failure: %s\n", office.LastError().c_str());
    Row("  back-office saves answered", static_cast<double>(office.Saves()), "");
    Row("  save p99 meanwhile", office.P99(), "ms");
  }

  // 3. Large answers in flight.
  {
    nlohmann::json batch = nlohmann::json::array();
    for (int i = 0; i < 10; ++i)
      batch.push_back({{"jsonrpc", "2.0"},
                       {"id", i + 1},
                       {"method", "getConfCaixa"},
                       {"params", nlohmann::json::array()}});
    const std::string one =
        bench::HttpClient(server.Port(), Post(batch.dump(), kReaderToken)).Call();
    const long before = bench::ResidentKib(server.Pid());
    BackOffice office(server, std::chrono::milliseconds(20));
    double peak = 0;
    {
      MemoryWatch watch(server.Pid());
      test::Crowd crowd(server.Port(), batches,
                        {Post(batch.dump(), kReaderToken), false, false, 0});
      crowd.AwaitAllDone(std::chrono::seconds(120));
      peak = watch.PeakMb();
    }
    office.Stop();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const long after = bench::ResidentKib(server.Pid());
    Row("one batch of 10 getConfCaixa, answer size", one.size() / 1e6, "MB");
    Row("server memory (RSS) before the batches", before / 1024.0, "MB");
    Row(std::to_string(batches) + " connections with a batch each: RSS peak", peak, "MB",
        "< 256 MB");
    Row("  RSS 2 s after they left", after / 1024.0, "MB", "near the start");
    Row("  save p99 meanwhile", office.P99(), "ms", "< 200 ms");
    Row("  saves answered / failed", static_cast<double>(office.Saves()), "",
        std::to_string(office.Failures()).c_str());
  }
  return 0;
}
