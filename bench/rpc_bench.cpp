// Round-trip figures of the data path against baselines measured in the same
// run: a bare keep-alive echo on the same HTTP stack (answering the bytes a
// real getCarregaPar answers) and a raw TCP echo. Prints a table with ratios.
//
//   build/bench/rpc_bench [--calls N] [--seconds S]
#include "platform/json_rpc.h"
#include "service/dataset_fields.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace totem;
using Clock = std::chrono::steady_clock;

namespace {

int g_calls = 3000;
double g_seconds = 3.0;

struct Stats {
  double p50_us = 0, p99_us = 0, calls_per_s = 0;
};

double Micros(Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); }

Stats Percentiles(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  Stats s;
  s.p50_us = samples[samples.size() / 2];
  s.p99_us = samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
  return s;
}

// Latency of one client making `g_calls` calls in a row.
Stats Latency(const std::function<void()>& call) {
  for (int i = 0; i < 200; ++i) call();  // warm up
  std::vector<double> samples;
  samples.reserve(g_calls);
  for (int i = 0; i < g_calls; ++i) {
    auto t0 = Clock::now();
    call();
    samples.push_back(Micros(Clock::now() - t0));
  }
  return Percentiles(std::move(samples));
}

// Calls per second of `clients` threads, each with its own connection, for
// a bounded time.
double Throughput(int clients, const std::function<std::function<void()>()>& makeClient) {
  std::atomic<long long> total{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  auto start = Clock::now();
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&] {
      auto call = makeClient();
      long long n = 0;
      while (!stop.load(std::memory_order_relaxed)) {
        call();
        ++n;
      }
      total += n;
    });
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(g_seconds));
  stop = true;
  for (auto& t : threads) t.join();
  return total / std::chrono::duration<double>(Clock::now() - start).count();
}

// Raw TCP echo: reads what arrives and writes it back.
class TcpEcho {
 public:
  TcpEcho() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd_, 64);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] {
      while (true) {
        int c = accept(fd_, nullptr, nullptr);
        if (c < 0) return;
        int on = 1;
        setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        std::thread([c] {
          char buf[65536];
          ssize_t n;
          while ((n = read(c, buf, sizeof buf)) > 0) {
            if (write(c, buf, static_cast<std::size_t>(n)) != n) break;
          }
          close(c);
        }).detach();
      }
    });
  }
  ~TcpEcho() {
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
  }
  int Port() const { return port_; }

 private:
  int fd_;
  int port_;
  std::thread thread_;
};

// One connected client of the raw echo: sends `request`, reads as many bytes.
std::function<void()> TcpEchoClient(int port, std::string request) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  auto shared = std::make_shared<int>(fd);
  return [shared, request] {
    (void)!write(*shared, request.data(), request.size());
    std::size_t got = 0;
    char buf[65536];
    while (got < request.size()) {
      ssize_t n = read(*shared, buf, sizeof buf);
      if (n <= 0) return;
      got += static_cast<std::size_t>(n);
    }
  };
}

std::function<void()> HttpEchoClient(int port, std::string body) {
  auto client = std::make_shared<httplib::Client>("127.0.0.1", port);
  client->set_keep_alive(true);
  client->set_tcp_nodelay(true);
  return [client, body] { client->Post("/echo", body, "application/json"); };
}

// Connected before any call is timed.
struct RpcClient : test::RemoteClient {
  RpcClient(const std::string& host, int port) : RemoteClient(host, port) { connection.Open(); }
};

void WriteChainCsv(const std::string& dir, int branches, int perBranch) {
  std::ofstream f(dir + "/filial.csv"), c(dir + "/caixa.csv");
  f << "CDFILIAL,NMFILIAL\n";
  c << "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n";
  char code[8];
  for (int b = 1; b <= branches; ++b) {
    std::snprintf(code, sizeof code, "%04d", b);
    f << code << ",Filial " << b << "\n";
    for (int r = 1; r <= perBranch; ++r)
      c << code << "," << (r < 10 ? "00" : "0") << r << ",Caixa " << r << "," << b
        << ",Loja " << b << " - Shopping Centro\n";
  }
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

void Row(const char* what, double value, const char* unit, double baseline = 0,
         const char* baseName = nullptr) {
  if (baseName)
    std::printf("%-48s %12.1f %-8s %6.2fx %s\n", what, value, unit, value / baseline, baseName);
  else
    std::printf("%-48s %12.1f %-8s\n", what, value, unit);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::string(argv[i]) == "--calls") g_calls = std::stoi(argv[++i]);
    else if (std::string(argv[i]) == "--seconds") g_seconds = std::stod(argv[++i]);
  }

  test::TempDir dir;
  test::ServerProcess server({dir.File("bench.db"), true, {}});

  // The exact bytes of a real getCarregaPar exchange, for the echo baselines.
  RpcClient probe(server.Host(), server.Port());
  auto caixas = service::MakeCdsCaixa();
  caixas->SetData(*probe.rpc.getConfCaixa().packet);
  const std::string filial = caixas->FieldAsString("CDFILIAL");
  const std::string caixa = caixas->FieldAsString("CDCAIXA");
  const std::string request = rpc::EncodeRequest(1, "getCarregaPar", {filial, caixa});
  httplib::Client raw(server.Host(), server.Port());
  const std::string answer = raw.Post(rpc::ModulePath(contract::kServerName).c_str(), request,
                                      "application/json")->body;

  httplib::Server echo;
  echo.set_tcp_nodelay(true);
  echo.set_keep_alive_max_count(1000000);
  echo.Post("/echo", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(answer, "application/json; charset=utf-8");
  });
  const int echoPort = echo.bind_to_any_port("127.0.0.1");
  std::thread echoThread([&] { echo.listen_after_bind(); });
  TcpEcho tcp;

  std::printf("data path round trips (%d calls for latency, %.0f s for throughput)\n", g_calls,
              g_seconds);
  std::printf("%-48s %12s %-8s %s\n", "measure", "value", "unit", "ratio to baseline");

  auto tcpClient = TcpEchoClient(tcp.Port(), request);
  Stats tcpStats = Latency(tcpClient);
  auto echoClient = HttpEchoClient(echoPort, request);
  Stats echoStats = Latency(echoClient);
  RpcClient one(server.Host(), server.Port());
  Stats readStats = Latency([&] { one.rpc.getCarregaPar(filial, caixa); });

  Row("raw TCP echo p50", tcpStats.p50_us, "us");
  Row("bare HTTP echo p50", echoStats.p50_us, "us", tcpStats.p50_us, "raw TCP");
  Row("bare HTTP echo p99", echoStats.p99_us, "us");
  Row("getCarregaPar p50", readStats.p50_us, "us", echoStats.p50_us, "bare echo");
  Row("getCarregaPar p99", readStats.p99_us, "us", echoStats.p99_us, "bare echo");

  for (int clients : {1, 8}) {
    double echoRate = Throughput(clients, [&] { return HttpEchoClient(echoPort, request); });
    double rpcRate = Throughput(clients, [&] {
      auto c = std::make_shared<RpcClient>(server.Host(), server.Port());
      return std::function<void()>([c, filial, caixa] { c->rpc.getCarregaPar(filial, caixa); });
    });
    std::string a = "bare HTTP echo calls/s, " + std::to_string(clients) + " client(s)";
    std::string b = "getCarregaPar calls/s, " + std::to_string(clients) + " client(s)";
    Row(a.c_str(), echoRate, "calls/s");
    Row(b.c_str(), rpcRate, "calls/s", echoRate, "bare echo");
  }

  int saveCount = 0;
  Stats saveStats = Latency([&] {
    std::string tipo = "2", grupo, exiMsg = "S", diaIni = "1", diaFin = "28",
                seg = std::to_string(10 + (saveCount++ % 50)), menIni = "Bem-vindo",
                menAdi = "Promoção", selLoja = "S", infClie = "N", menCon = "Saldo";
    service::ParametrosRefs refs{&tipo, &grupo, &exiMsg, &diaIni, &diaFin, &seg,
                                 &menIni, &menAdi, &selLoja, &infClie, &menCon};
    one.rpc.setUpdParametros(filial, caixa, refs);
  });
  Row("setUpdParametros p50 (fsync per save)", saveStats.p50_us, "us", echoStats.p50_us, "bare echo");
  Row("setUpdParametros p99", saveStats.p99_us, "us");

  // 5,000 branches with 10 registers each: the whole list into the dataset.
  WriteChainCsv(dir.Path().string(), 5000, 10);
  std::string output;
  test::ServerProcess::RunTool({"import", "--db", "sqlite:" + dir.File("chain.db"),
                                dir.File("filial.csv"), dir.File("caixa.csv")},
                               &output);
  test::ServerProcess chain({dir.File("chain.db"), false, {}});
  RpcClient big(chain.Host(), chain.Port());
  auto list = service::MakeCdsCaixa();
  list->SetData(*big.rpc.getConfCaixa().packet);  // warm up
  std::vector<double> loads, filters;
  for (int i = 0; i < 10; ++i) {
    auto t0 = Clock::now();
    auto envelope = big.rpc.getConfCaixa();
    list->SetData(*envelope.packet);
    loads.push_back(Micros(Clock::now() - t0) / 1000.0);
    t0 = Clock::now();
    list->SetFiltered(false);
    list->SetFilter(service::CaixaFilterFor(i % 2 ? "2500" : "0042"));
    list->SetFiltered(true);
    filters.push_back(Micros(Clock::now() - t0) / 1000.0);
  }
  std::sort(loads.begin(), loads.end());
  std::sort(filters.begin(), filters.end());
  Row("getConfCaixa 50,000 registers into cdsCaixa", loads[loads.size() / 2], "ms");
  Row("filter switch over 50,000 registers", filters[filters.size() / 2], "ms");

  list.reset();
  malloc_trim(0);
  const std::size_t before = HeapInUse();
  auto measured = service::MakeCdsCaixa();
  {
    auto envelope = big.rpc.getConfCaixa();
    measured->SetData(*envelope.packet);
  }
  malloc_trim(0);
  Row("client memory per register row", double(HeapInUse() - before) / measured->TotalRowCount(),
      "bytes");

  echo.stop();
  echoThread.join();
  return 0;
}
