// The server's HTTP layer against bare keep-alive echoes measured in the same
// run: an echo on Boost.Beast (the server's stack, one event loop thread as
// in the server), the same echo in a process of its own (as the server is),
// and one on cpp-httplib (the stack the server had before), all answering
// the exact bytes of a real getCarregaPar answer, and getCarregaPar through
// totem-server; at 1 and 8 connections. One client code sends the same
// request bytes to all, so the ratios compare the servers alone. Every
// subject is measured in turns with the others, so that the drift of a
// shared machine weighs on all alike. Then 10,000 idle keep-alive
// connections held by the server: its memory, and a normal call's time
// beside them.
//
// The latencies are measured twice: with the threads where the system puts
// them, and pinned (see placement.h), the client and every server on one
// CPU, then the client on one CPU and the servers on another.
//
//   build/bench/http_stack_bench [--calls N] [--seconds S] [--idle N] [--loops N]
//                                [--poll-us N]
#include "bench/beast_echo.h"
#include "bench/bench_client.h"
#include "bench/placement.h"
#include "bench/timing.h"
#include "platform/json_rpc.h"
#include "server/domain/parametros_module.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/store/store_factory.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <httplib.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

// The same Beast echo in a process of its own, as the server is: a call to
// it crosses between processes as a call to the server does, where a call to
// the echo in this process only switches threads. Made before this process
// starts any thread of its own (it forks).
class EchoProcess {
 public:
  explicit EchoProcess(const std::string& answer) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      close(fds[0]);
      bench::BeastEcho echo(answer);
      const int port = echo.Port();
      if (write(fds[1], &port, sizeof port) != sizeof port) _exit(1);
      for (;;) pause();
    }
    close(fds[1]);
    const bool told = read(fds[0], &port_, sizeof port_) == sizeof port_;
    close(fds[0]);
    if (!told) throw std::runtime_error("the echo process did not start");
  }
  ~EchoProcess() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  int Port() const { return port_; }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

// Calls per second of each subject at `clients` connections, measured in
// turns of a quarter of the time each, so that drift of the machine weighs
// on all alike.
std::vector<double> ThroughputInTurns(int clients, double seconds,
                                      const std::vector<std::function<double(int, double)>>& runs) {
  constexpr int kTurns = 4;
  std::vector<double> rates(runs.size(), 0.0);
  for (int turn = 0; turn < kTurns; ++turn)
    for (std::size_t s = 0; s < runs.size(); ++s)
      rates[s] += runs[s](clients, seconds / kTurns) / kTurns;
  return rates;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = bench::IntOption(argc, argv, "--calls", 5000);
  const double seconds = bench::IntOption(argc, argv, "--seconds", 3);
  const int idleCount = bench::IntOption(argc, argv, "--idle", 10000);
  // The server's event loops (0: its default, one per core).
  const std::string loops = std::to_string(bench::IntOption(argc, argv, "--loops", 0));
  // The server's --poll-us (-1: its default).
  const int pollUs = bench::IntOption(argc, argv, "--poll-us", -1);
  auto serverArgs = [&](std::vector<std::string> args) {
    args.insert(args.end(), {"--keep-alive-requests", "1000000", "--loops", loops});
    if (pollUs >= 0) args.insert(args.end(), {"--poll-us", std::to_string(pollUs)});
    return args;
  };
  bench::RaiseOpenFileLimit();

  test::TempDir dir;
  test::ServerProcess server({dir.File("bench.db"), true,
                              serverArgs({"--max-connections", std::to_string(idleCount + 100)})});
  const std::string request =
      bench::PostRequest(rpc::EncodeRequest(1, "getCarregaPar", {"0001", "001"}));
  const std::string answer = bench::HttpClient(server.Port(), request).Call();
  EchoProcess apart(answer);
  bench::BeastEcho beast(answer);
  HttplibEcho httplib(answer);
  // The same server without its call log, on the same file.
  test::ServerProcess quiet({dir.File("bench.db"), false, serverArgs({"--no-call-log"})});

  // Every subject is measured in turns with the others (see LatencyInTurns).
  // The module's client is measured apart: while it looks for its answer
  // without sleeping, the system moves the client's thread between CPUs,
  // which changes the arrangement the others are measured in.
  bench::HttpClient toBeast(beast.Port(), request), toHttplib(httplib.Port(), request),
      toServer(server.Port(), request), toQuiet(quiet.Port(), request),
      toApart(apart.Port(), request);
  const std::vector<bench::Stats> one = bench::LatencyInTurns(
      calls, {[&] { toBeast.Call(); }, [&] { toHttplib.Call(); }, [&] { toServer.Call(); },
              [&] { toQuiet.Call(); }, [&] { toApart.Call(); }});
  const bench::Stats &onBeast = one[0], &onHttplib = one[1], &real = one[2], &unlogged = one[3],
                     &onApart = one[4];
  test::RemoteClient module(server.Host(), server.Port());
  module.connection.Open();
  const bench::Stats full = bench::Latency(calls, [&] { module.rpc.getCarregaPar("0001", "001"); });
  auto rateOf = [&request](int port) {
    return [port, &request](int clients, double s) {
      return bench::Throughput(clients, s,
                               [&] { return std::make_shared<bench::HttpClient>(port, request); });
    };
  };
  const std::vector<std::function<double(int, double)>> subjects = {
      rateOf(beast.Port()), rateOf(httplib.Port()), rateOf(server.Port()), rateOf(apart.Port())};

  std::printf("HTTP stacks, same client and bytes (%d calls for latency, %.0f s for throughput)\n",
              calls, seconds);
  std::printf("%-52s %12s %-8s %s\n", "measure", "value", "unit", "ratio to baseline");
  bench::Row("bare echo on Beast p50", onBeast.p50_us, "us");
  bench::Row("bare echo on cpp-httplib p50", onHttplib.p50_us, "us", onBeast.p50_us, "Beast echo");
  bench::Row("getCarregaPar through totem-server p50", real.p50_us, "us", onBeast.p50_us,
             "Beast echo");
  bench::Row("bare echo on Beast in a process of its own p50", onApart.p50_us, "us", onBeast.p50_us,
             "Beast echo");
  bench::Row("getCarregaPar through totem-server p50", real.p50_us, "us", onApart.p50_us,
             "echo in its own process");
  bench::Row("bare echo on Beast p99", onBeast.p99_us, "us");
  bench::Row("getCarregaPar through totem-server p99", real.p99_us, "us", onBeast.p99_us,
             "Beast echo");
  for (const int clients : {1, 8}) {
    const std::vector<double> rates = ThroughputInTurns(clients, seconds, subjects);
    const std::string n = std::to_string(clients) + " connection" + (clients > 1 ? "s" : "");
    bench::Row(("bare echo on Beast, " + n).c_str(), rates[0], "calls/s");
    bench::Row(("bare echo on cpp-httplib, " + n).c_str(), rates[1], "calls/s", rates[0],
               "Beast echo");
    bench::Row(("getCarregaPar through totem-server, " + n).c_str(), rates[2], "calls/s", rates[0],
               "Beast echo");
    bench::Row("", rates[2], "calls/s", rates[1], "cpp-httplib echo");
    bench::Row(("bare echo on Beast in a process of its own, " + n).c_str(), rates[3], "calls/s",
               rates[0], "Beast echo");
    bench::Row("", rates[2], "calls/s", rates[3], "echo in its own process");
  }
  bench::Row("getCarregaPar with the module's client p50", full.p50_us, "us", onBeast.p50_us,
             "Beast echo");
  // The calling thread's own CPU time per call (user and system), which the
  // drift of the machine's wake-ups does not blur: what the module's client
  // costs over the bare client's send and read.
  const double bareCpu = bench::CpuPerCall(calls, [&] { toServer.Call(); });
  const double moduleCpu =
      bench::CpuPerCall(calls, [&] { module.rpc.getCarregaPar("0001", "001"); });
  bench::Row("getCarregaPar, bare client's CPU per call", bareCpu, "us");
  bench::Row("getCarregaPar, module's client CPU per call", moduleCpu, "us", bareCpu,
             "bare client");

  // The same calls with every thread pinned, in turns.
  {
    bench::Placement placement;
    for (const auto& arrangement : placement.Arrangements()) {
      placement.Arrange(arrangement.client, arrangement.servers, {server.Pid(), apart.Pid()});
      const std::vector<bench::Stats> pinned = bench::LatencyInTurns(
          calls, {[&] { toBeast.Call(); }, [&] { toServer.Call(); }, [&] { toApart.Call(); },
                  [&] { module.rpc.getCarregaPar("0001", "001"); }});
      placement.Release();
      std::printf("\n%s (p50)\n", arrangement.name.c_str());
      bench::Row("bare echo on Beast", pinned[0].p50_us, "us");
      bench::Row("getCarregaPar through totem-server", pinned[1].p50_us, "us", pinned[0].p50_us,
                 "Beast echo");
      bench::Row("bare echo on Beast in a process of its own", pinned[2].p50_us, "us",
                 pinned[0].p50_us, "Beast echo");
      bench::Row("getCarregaPar with the module's client", pinned[3].p50_us, "us", pinned[0].p50_us,
                 "Beast echo");
    }
  }

  // Where the time over the echo goes: the call's own work in process
  // (parse, store read, packet, encode) on the same file, answered from the
  // answer cache as the server answers a caller reaching every register,
  // and read from the store as for a token scoped to the register; and the
  // call log (the server without it).
  {
    auto store = server::OpenStore("sqlite:" + dir.File("bench.db"));
    server::ParametrosModule parametros(*store);
    server::RpcDispatcher dispatcher(parametros);
    const std::string body = rpc::EncodeRequest(1, "getCarregaPar", {"0001", "001"});
    server::Caller scoped;
    scoped.reach = *server::TokenReach::Parse("0001/001");
    const bench::Stats kept = bench::Latency(calls, [&] { dispatcher.Handle(body); });
    const bench::Stats read = bench::Latency(calls, [&] { dispatcher.Handle(body, scoped); });
    std::printf("\nwhere the time over the echo goes (p50)\n");
    bench::Row("the call's work in process, from the answer cache", kept.p50_us, "us",
               onBeast.p50_us, "Beast echo");
    bench::Row("the call's work in process, read from the store", read.p50_us, "us", onBeast.p50_us,
               "Beast echo");
    bench::Row("getCarregaPar through totem-server --no-call-log", unlogged.p50_us, "us",
               onBeast.p50_us, "Beast echo");
    bench::Row("HTTP layer (server without call log - echo - cached call)",
               unlogged.p50_us - onBeast.p50_us - kept.p50_us, "us");
    bench::Row("call log (server - server without it)", real.p50_us - unlogged.p50_us, "us");
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
