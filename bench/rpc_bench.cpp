// Round-trip figures of the data path through the module's own client,
// against a raw TCP echo of the same bytes measured in the same run; saves;
// a 50,000-register list into the client's dataset. (The server's HTTP layer
// against bare HTTP echoes: http_stack_bench.) Prints a table with ratios.
//
//   build/bench/rpc_bench [--calls N]
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "service/dataset_fields.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace totem;
using namespace totem::bench;

namespace {

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
    if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 64) != 0)
      throw std::runtime_error("the echo cannot listen on loopback");
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
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    throw std::runtime_error("cannot connect to the echo");
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
      c << code << "," << (r < 10 ? "00" : "0") << r << ",Caixa " << r << "," << b << ",Loja " << b
        << " - Shopping Centro\n";
  }
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

}  // namespace

int main(int argc, char** argv) {
  const int calls = IntOption(argc, argv, "--calls", 3000);

  test::TempDir dir;
  test::ServerProcess server({dir.File("bench.db"), true, {}});

  // The exact bytes of a real getCarregaPar exchange, for the echo baselines.
  RpcClient probe(server.Host(), server.Port());
  auto caixas = service::MakeCdsCaixa();
  caixas->SetData(*probe.rpc.getConfCaixa().packet);
  const std::string filial = caixas->FieldAsString("CDFILIAL");
  const std::string caixa = caixas->FieldAsString("CDCAIXA");
  const std::string request = rpc::EncodeRequest(1, "getCarregaPar", {filial, caixa});
  TcpEcho tcp;

  std::printf("data path round trips through the module's client (%d calls)\n", calls);
  std::printf("%-52s %12s %-8s %s\n", "measure", "value", "unit", "ratio to baseline");

  auto tcpClient = TcpEchoClient(tcp.Port(), request);
  Stats tcpStats = Latency(calls, tcpClient);
  RpcClient one(server.Host(), server.Port());
  Stats readStats = Latency(calls, [&] { one.rpc.getCarregaPar(filial, caixa); });
  Row("raw TCP echo p50", tcpStats.p50_us, "us");
  Row("getCarregaPar p50", readStats.p50_us, "us", tcpStats.p50_us, "raw TCP");
  Row("getCarregaPar p99", readStats.p99_us, "us", tcpStats.p99_us, "raw TCP");

  int saveCount = 0;
  Stats saveStats = Latency(calls, [&] {
    std::string tipo = "2", grupo, exiMsg = "S", diaIni = "1", diaFin = "28",
                seg = std::to_string(10 + (saveCount++ % 50)), menIni = "Bem-vindo",
                menAdi = "Promoção", selLoja = "S", infClie = "N", menCon = "Saldo";
    service::ParametrosRefs refs{&tipo,   &grupo,  &exiMsg,  &diaIni,  &diaFin, &seg,
                                 &menIni, &menAdi, &selLoja, &infClie, &menCon};
    one.rpc.setUpdParametros(filial, caixa, refs);
  });
  Row("setUpdParametros p50 (fsync per save)", saveStats.p50_us, "us", tcpStats.p50_us, "raw TCP");
  Row("setUpdParametros p99", saveStats.p99_us, "us");

  // 5,000 branches with 10 registers each: the whole list into the dataset.
  WriteChainCsv(dir.Path().string(), 5000, 10);
  std::string output;
  test::ServerProcess::RunTool({"import", "--criar-banco", "--db", "sqlite:" + dir.File("chain.db"),
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

  return 0;
}
