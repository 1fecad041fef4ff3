// The data path over each deployment, in one run: SQLite direct, PostgreSQL
// direct, PostgreSQL through nginx with two servers; baselines: a bare HTTP
// echo on the same stack and pgbench -S point lookups on the same cluster.
//
//   build/bench/stores_bench [--seconds S]
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "tests/support/project_scripts.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <thread>

using namespace totem;
using bench::Clock;

namespace {

double g_seconds = 3;

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  char buf[512];
  while (pipe && fgets(buf, sizeof buf, pipe)) out += buf;
  if (pipe) pclose(pipe);
  return out;
}

struct Figures {
  double p50 = 0, p99 = 0, rate = 0;
};

// p50/p99 of one client, then calls/s of 8 clients, each with its own
// connection and a register of its own.
Figures Measure(const std::function<std::function<void()>(int client)>& makeClient) {
  Figures f;
  auto one = makeClient(0);
  for (int i = 0; i < 100; ++i) one();
  std::vector<double> samples;
  const auto until = Clock::now() + std::chrono::duration<double>(g_seconds);
  while (Clock::now() < until && samples.size() < 20000) {
    auto t0 = Clock::now();
    one();
    samples.push_back(bench::Ms(Clock::now() - t0) * 1000);
  }
  std::sort(samples.begin(), samples.end());
  f.p50 = samples[samples.size() / 2];
  f.p99 = samples[samples.size() * 99 / 100];
  std::atomic<long long> total{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int c = 0; c < 8; ++c)
    threads.emplace_back([&, c] {
      auto call = makeClient(c);
      long long n = 0;
      while (!stop) {
        call();
        ++n;
      }
      total += n;
    });
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(g_seconds));
  stop = true;
  for (auto& t : threads) t.join();
  f.rate = total / std::chrono::duration<double>(Clock::now() - start).count();
  return f;
}

const char* const kRegisters[8][2] = {{"0001", "001"}, {"0001", "002"}, {"0001", "003"},
                                      {"0001", "004"}, {"0002", "001"}, {"0002", "002"},
                                      {"0002", "003"}, {"0003", "001"}};

std::function<void()> Reader(const std::string& host, int port, int c) {
  auto rpc = std::make_shared<test::RemoteClient>(host, port);
  return [rpc, c] { rpc->rpc.getCarregaPar(kRegisters[c][0], kRegisters[c][1]); };
}

std::function<void()> Writer(const std::string& host, int port, int c) {
  auto rpc = std::make_shared<test::RemoteClient>(host, port);
  auto n = std::make_shared<int>(0);
  return [rpc, c, n] {
    std::string tipo = "2", grupo, exiMsg = "S", diaIni = "1", diaFin = "28",
                seg = std::to_string(10 + (*n)++ % 80), menIni = "Bem-vindo", menAdi = "Promoção",
                selLoja = "S", infClie = "N", menCon = "Saldo";
    service::ParametrosRefs refs{&tipo,   &grupo,  &exiMsg,  &diaIni,  &diaFin, &seg,
                                 &menIni, &menAdi, &selLoja, &infClie, &menCon};
    rpc->rpc.setUpdParametros(kRegisters[c][0], kRegisters[c][1], refs);
  };
}

void Print(const char* what, const Figures& f) {
  std::printf("%-44s %9.1f %9.1f %10.0f\n", what, f.p50, f.p99, f.rate);
}

// "latency average = 0.123 ms" and "tps = 1234.5" from pgbench's report.
std::pair<double, double> PgbenchFigures(const std::string& report) {
  auto number = [&](const std::string& key) {
    auto at = report.find(key);
    return at == std::string::npos ? 0.0 : std::stod(report.substr(at + key.size()));
  };
  return {number("latency average = ") * 1000, number("tps = ")};
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--seconds") g_seconds = std::stod(argv[++i]);

  test::TempDir dir;
  const std::string cluster = dir.File("cluster");
  test::RunProjectScript("pg-cluster start " + cluster);
  std::string conninfo;
  std::getline(std::ifstream(cluster + "/conninfo"), conninfo);
  const std::string pgbin = Run("ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1");
  const std::string bin = pgbin.substr(0, pgbin.find('\n'));
  const std::string asOwner = getuid() == 0 ? "runuser -u totemtest -- " : "";
  Run(asOwner + bin + "/psql \"" + conninfo +
      "\" -c 'CREATE DATABASE totem' -c 'CREATE DATABASE pgb'");
  const std::string totemDb =
      "postgresql:" + conninfo.substr(0, conninfo.find("dbname=")) + "dbname=totem";
  const std::string pgbDb = conninfo.substr(0, conninfo.find("dbname=")) + "dbname=pgb";

  test::ServerProcess sqlite({dir.File("bench.db"), true, {}});
  test::ServerProcess pgA({totemDb, true, {}});
  test::ServerProcess pgB({totemDb, true, {}});
  const std::string front = dir.File("nginx");
  const int frontPort = std::stoi(test::RunProjectScript(
      "nginx-front start " + front + " " + pgA.Host() + ":" + std::to_string(pgA.Port()) + " " +
      pgB.Host() + ":" + std::to_string(pgB.Port())));

  // Bare echo on the same HTTP stack, answering the bytes of a real read.
  httplib::Client probe(sqlite.Host(), sqlite.Port());
  const std::string request = rpc::EncodeRequest(1, "getCarregaPar", {"0001", "001"});
  const std::string answer =
      probe.Post(rpc::ModulePath(contract::kServerName).c_str(), request, "application/json")->body;
  httplib::Server echo;
  echo.set_tcp_nodelay(true);
  echo.set_keep_alive_max_count(1000000);
  echo.new_task_queue = [] { return new httplib::ThreadPool(16); };
  echo.Post("/echo", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(answer, "application/json; charset=utf-8");
  });
  const int echoPort = echo.bind_to_any_port("127.0.0.1");
  std::thread echoThread([&] { echo.listen_after_bind(); });

  std::printf("data path per deployment (%.0f s per measure; latencies of 1 client, rate of 8)\n",
              g_seconds);
  std::printf("%-44s %9s %9s %10s\n", "measure", "p50 us", "p99 us", "calls/s");
  const Figures bare = Measure([&](int) {
    auto c = std::make_shared<httplib::Client>("127.0.0.1", echoPort);
    c->set_keep_alive(true);
    c->set_tcp_nodelay(true);
    return std::function<void()>([c, request] { c->Post("/echo", request, "application/json"); });
  });
  Print("bare HTTP echo", bare);
  const auto h = [](test::ServerProcess& s) { return std::make_pair(s.Host(), s.Port()); };
  struct Target {
    const char* name;
    std::string host;
    int port;
  } targets[] = {{"SQLite direct", h(sqlite).first, h(sqlite).second},
                 {"PostgreSQL direct", h(pgA).first, h(pgA).second},
                 {"PostgreSQL, nginx, two servers", "127.0.0.1", frontPort}};
  Figures pgRead;
  for (const auto& t : targets) {
    const Figures read = Measure([&](int c) { return Reader(t.host, t.port, c); });
    const Figures save = Measure([&](int c) { return Writer(t.host, t.port, c); });
    Print((std::string("getCarregaPar, ") + t.name).c_str(), read);
    Print((std::string("setUpdParametros, ") + t.name).c_str(), save);
    if (std::string(t.name) == "PostgreSQL direct") pgRead = read;
  }

  Run(asOwner + bin + "/pgbench -q -i -s 1 \"" + pgbDb + "\"");
  // pgbench runs whole seconds: at least one, or it measures nothing.
  const std::string pgbSeconds =
      std::to_string(std::max(1, static_cast<int>(std::ceil(g_seconds))));
  const auto one = PgbenchFigures(
      Run(asOwner + bin + "/pgbench -S -c 1 -j 1 -T " + pgbSeconds + " \"" + pgbDb + "\""));
  const auto eight = PgbenchFigures(
      Run(asOwner + bin + "/pgbench -S -c 8 -j 2 -T " + pgbSeconds + " \"" + pgbDb + "\""));
  std::printf("%-44s %9.1f %9s %10.0f\n", "pgbench -S (1 client avg; 8 tps)", one.first, "-",
              eight.second);
  const double budget = 2 * bare.p50 + one.first;
  std::printf("PostgreSQL read p50 %.1f us against 2 x echo + one lookup = %.1f us: %.2fx\n",
              pgRead.p50, budget, pgRead.p50 / budget);

  echo.stop();
  echoThread.join();
  test::RunProjectScript("nginx-front stop " + front);
  test::RunProjectScript("pg-cluster stop " + cluster);
  return 0;
}
