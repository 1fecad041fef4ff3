// The server's HTTP layer against bare keep-alive echoes measured in the same
// run: an echo on Boost.Beast (the server's stack, one event loop thread as
// in the server) and one on cpp-httplib (the stack the server had before),
// both answering the exact bytes of a real getCarregaPar answer, and
// getCarregaPar through totem-server; at 1 and 8 connections. One client
// code sends the same request bytes to all three, so the ratios compare the
// servers alone. Then 10,000 idle keep-alive connections held by the server:
// its memory, and a normal call's time beside them.
//
//   build/bench/http_stack_bench [--calls N] [--seconds S] [--idle N] [--loops N]
#include "bench/beast_echo.h"
#include "bench/bench_client.h"
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "server/domain/parametros_module.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/store/store_factory.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <httplib.h>
#include <sys/resource.h>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace totem;
using bench::Clock;
namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

namespace {

// The same echo on cpp-httplib.
class HttplibEcho {
 public:
  explicit HttplibEcho(const std::string& answer) {
    server_.set_tcp_nodelay(true);
    server_.set_keep_alive_max_count(1000000);
    server_.Post("/rpc/Ksl80500.rdmParametrosToten",
                 [answer](const httplib::Request&, httplib::Response& res) {
                   res.set_content(answer, "application/json; charset=utf-8");
                 });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~HttplibEcho() {
    server_.stop();
    thread_.join();
  }
  int Port() const { return port_; }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
};

struct Measured {
  bench::Stats one;
  double rate1 = 0, rate8 = 0;
};

Measured Measure(int port, const std::string& request, int calls, double seconds) {
  bench::HttpClient client(port, request);
  Measured m;
  m.one = bench::Latency(calls, [&] { client.Call(); });
  auto make = [&] { return std::make_shared<bench::HttpClient>(port, request); };
  m.rate1 = bench::Throughput(1, seconds, make);
  m.rate8 = bench::Throughput(8, seconds, make);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = bench::IntOption(argc, argv, "--calls", 5000);
  const double seconds = bench::IntOption(argc, argv, "--seconds", 3);
  const int idleCount = bench::IntOption(argc, argv, "--idle", 10000);
  // The server's event loops (0: its default, one per core).
  const std::string loops = std::to_string(bench::IntOption(argc, argv, "--loops", 0));
  bench::RaiseOpenFileLimit();

  test::TempDir dir;
  test::ServerProcess server({dir.File("bench.db"),
                              true,
                              {"--max-connections", std::to_string(idleCount + 100),
                               "--keep-alive-requests", "1000000", "--loops", loops}});
  const std::string request =
      bench::PostRequest(rpc::EncodeRequest(1, "getCarregaPar", {"0001", "001"}));
  const std::string answer = bench::HttpClient(server.Port(), request).Call();
  bench::BeastEcho beast(answer);
  HttplibEcho httplib(answer);

  std::printf("HTTP stacks, same client and bytes (%d calls for latency, %.0f s for throughput)\n",
              calls, seconds);
  std::printf("%-52s %12s %-8s %s\n", "measure", "value", "unit", "ratio to baseline");
  const Measured onBeast = Measure(beast.Port(), request, calls, seconds);
  const Measured onHttplib = Measure(httplib.Port(), request, calls, seconds);
  const Measured real = Measure(server.Port(), request, calls, seconds);

  bench::Row("bare echo on Beast p50", onBeast.one.p50_us, "us");
  bench::Row("bare echo on cpp-httplib p50", onHttplib.one.p50_us, "us", onBeast.one.p50_us,
             "Beast echo");
  bench::Row("getCarregaPar through totem-server p50", real.one.p50_us, "us", onBeast.one.p50_us,
             "Beast echo");
  bench::Row("bare echo on Beast p99", onBeast.one.p99_us, "us");
  bench::Row("getCarregaPar through totem-server p99", real.one.p99_us, "us", onBeast.one.p99_us,
             "Beast echo");
  for (const auto& [clients, rate] :
       {std::pair{1, &Measured::rate1}, std::pair{8, &Measured::rate8}}) {
    const std::string n = std::to_string(clients) + " connection" + (clients > 1 ? "s" : "");
    bench::Row(("bare echo on Beast, " + n).c_str(), onBeast.*rate, "calls/s");
    bench::Row(("bare echo on cpp-httplib, " + n).c_str(), onHttplib.*rate, "calls/s",
               onBeast.*rate, "Beast echo");
    bench::Row(("getCarregaPar through totem-server, " + n).c_str(), real.*rate, "calls/s",
               onBeast.*rate, "Beast echo");
    bench::Row("", real.*rate, "calls/s", onHttplib.*rate, "cpp-httplib echo");
  }
  test::RemoteClient client(server.Host(), server.Port());
  client.connection.Open();
  const bench::Stats full = bench::Latency(calls, [&] { client.rpc.getCarregaPar("0001", "001"); });
  bench::Row("getCarregaPar with the module's client p50", full.p50_us, "us", onBeast.one.p50_us,
             "Beast echo");

  // Where the time over the echo goes: the call's own work in process
  // (parse, store read, packet, encode) on the same file, and the call log
  // (a server without it).
  {
    auto store = server::OpenStore("sqlite:" + dir.File("bench.db"));
    server::ParametrosModule module(*store);
    server::RpcDispatcher dispatcher(module);
    const std::string body = rpc::EncodeRequest(1, "getCarregaPar", {"0001", "001"});
    const bench::Stats dispatch = bench::Latency(calls, [&] { dispatcher.Handle(body); });
    test::ServerProcess quiet(
        {dir.File("bench.db"),
         false,
         {"--keep-alive-requests", "1000000", "--no-call-log", "--loops", loops}});
    bench::HttpClient toQuiet(quiet.Port(), request);
    const bench::Stats unlogged = bench::Latency(calls, [&] { toQuiet.Call(); });
    std::printf("\nwhere the time over the echo goes (p50)\n");
    bench::Row("the call's work in process: parse, store read, packet, encode", dispatch.p50_us,
               "us", onBeast.one.p50_us, "Beast echo");
    bench::Row("getCarregaPar through totem-server --no-call-log", unlogged.p50_us, "us",
               onBeast.one.p50_us, "Beast echo");
    bench::Row("HTTP layer (server without call log - echo - call's work)",
               unlogged.p50_us - onBeast.one.p50_us - dispatch.p50_us, "us");
    bench::Row("call log (server - server without it)", real.one.p50_us - unlogged.p50_us, "us");
  }

  // Idle keep-alive connections: each made one call and stays open.
  const long before = bench::ResidentKib(server.Pid());
  std::vector<std::unique_ptr<bench::HttpClient>> idle;
  idle.reserve(static_cast<std::size_t>(idleCount));
  for (int i = 0; i < idleCount; ++i) {
    idle.push_back(std::make_unique<bench::HttpClient>(server.Port(), request));
    idle.back()->Call();
  }
  const long held = bench::ResidentKib(server.Pid());
  bench::HttpClient normal(server.Port(), request);
  const bench::Stats beside = bench::Latency(200, [&] { normal.Call(); });
  std::size_t stillOpen = 0;
  for (auto& c : idle) stillOpen += c->Call().empty() ? 0 : 1;
  std::printf("\n%d idle keep-alive connections (each made one call first)\n", idleCount);
  bench::Row("server memory (RSS) before", before / 1024.0, "MB");
  bench::Row("server memory (RSS) holding them", held / 1024.0, "MB");
  bench::Row("server memory per idle connection", (held - before) * 1024.0 / idleCount, "bytes");
  bench::Row("a normal call beside them, p50", beside.p50_us / 1000, "ms");
  bench::Row("a normal call beside them, max", beside.max_us / 1000, "ms");
  bench::Row("idle connections still served afterwards", static_cast<double>(stillOpen), "");
  return 0;
}
