#include "server/http/http_server.h"

#include "server/http/server_context.h"
#include "server/http/tls_context.h"
#include "server/log/server_log.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <latch>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace totem::server {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// How long accepting pauses when the process is out of file descriptors
// and no connection can be closed to free one.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

void CheckOptions(const HttpOptions& o) {
  if (o.workers < 1) throw std::invalid_argument("o número de workers deve ser pelo menos 1");
  if (o.writers < 1)
    throw std::invalid_argument("o número de threads de gravação deve ser pelo menos 1");
  if (o.loops < 0)
    throw std::invalid_argument("o número de laços de eventos não pode ser negativo");
  if (o.keepAliveRequests < 1)
    throw std::invalid_argument("o limite de requisições por conexão deve ser pelo menos 1");
  if (o.maxConnections < 1)
    throw std::invalid_argument("o limite de conexões deve ser pelo menos 1");
  if (o.tlsCert.empty() != o.tlsKey.empty())
    throw std::invalid_argument("o certificado e a chave TLS são dados juntos");
}

bool OutOfDescriptors(const boost::system::error_code& error) {
  return error == asio::error::no_descriptors || error == asio::error::no_buffer_space ||
         error == asio::error::no_memory || error.value() == ENFILE;
}

// One event loop on a thread of its own, with the connections it serves.
struct EventLoop {
  EventLoop(const HttpOptions& shared, ConnectionRegistry& registry, const Routes& routes,
            CallMetrics& metrics, asio::thread_pool& reads, asio::thread_pool& writes,
            WaitQuota& quota, AnswerBudget& budget, asio::ssl::context* tls)
      : options(shared),
        screen(options),
        kiosk(io, reads, metrics, quota),
        context{options, screen, routes, metrics, io, reads, writes, registry, kiosk, budget, tls} {
  }

  HttpOptions options;  // this loop's copy: the tokens change here, on the loop
  RequestScreen screen;
  asio::io_context io{1};
  KioskHub kiosk;
  ServerContext context;
  // Keeps a loop without an acceptor running until the server stops.
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> guard{
      io.get_executor()};
  std::thread thread;
};

// Runs a loop on the calling thread. While its context asks for it (see
// HttpOptions::pollMicros) the loop looks for ready work without sleeping,
// giving way to any other thread that wants its CPU.
void RunLoop(EventLoop& loop) {
  if (loop.options.pollMicros <= 0) {
    loop.io.run();
    return;
  }
  // Outside a window of looking, one handler at a time as io.run() would,
  // without the look for ready work a poll costs (a system call).
  while (!loop.io.stopped()) {
    if (std::chrono::steady_clock::now() >= loop.context.pollUntil)
      loop.io.run_one();
    else if (loop.io.poll() == 0)
      sched_yield();
  }
}

// The read workers run at a lower CPU priority than the loops and the write
// lane: when the cores are short, a save and the loops' work go first and
// the reads of whole chains wait. Each worker lowers its own priority; the
// latch makes sure every thread of the pool takes one task.
void LowerPriority(asio::thread_pool& pool, int threads) {
  constexpr int kReadNice = 5;
  auto arrived = std::make_shared<std::latch>(threads);
  for (int i = 0; i < threads; ++i)
    asio::post(pool, [arrived] {
      setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kReadNice);
      arrived->arrive_and_wait();
    });
}

}  // namespace

struct HttpServer::Impl {
  Impl(HttpOptions o, const RpcDispatcher& dispatcher, HealthCheck health)
      : options(std::move(o)),
        metrics(dispatcher.MethodNames()),
        routes(dispatcher, std::move(health), metrics, options.readsOnLoop),
        reads(static_cast<std::size_t>(options.workers)),
        writes(static_cast<std::size_t>(options.writers)),
        quota(static_cast<std::size_t>(options.kioskWaitsPerToken),
              static_cast<std::size_t>(options.kioskWaitsPerAddress)),
        budget(options.answerBudget),
        tls(options.tlsCert.empty()
                ? std::nullopt
                : std::optional(MakeTlsContext(options.tlsCert, options.tlsKey))),
        loops(MakeLoops()),
        registry(First().io, static_cast<std::size_t>(options.maxConnections),
                 std::chrono::seconds(options.keepAliveSeconds)) {
    LowerPriority(reads, options.workers);
  }

  std::vector<std::unique_ptr<EventLoop>> MakeLoops() {
    std::vector<std::unique_ptr<EventLoop>> made;
    for (std::size_t i = 0; i < static_cast<std::size_t>(EventLoopCount(options)); ++i)
      made.push_back(std::make_unique<EventLoop>(options, registry, routes, metrics, reads, writes,
                                                 quota, budget, tls ? &*tls : nullptr));
    return made;
  }
  // Normally Run has ended every connection. Otherwise the ones left end
  // here, while everything they use still exists.
  ~Impl() {
    for (auto& loop : loops) asio::post(loop->io, [this, l = loop.get()] { Drain(*l); });
    reads.join();
    writes.join();
    // A loop's last handlers may close connections of another loop that
    // has run out already: every loop runs again until none has anything
    // left, so that no connection outlives the registry.
    for (bool ran = true; ran;) {
      ran = false;
      for (auto& loop : loops) {
        loop->guard.reset();
        loop->io.restart();
        ran = loop->io.run() > 0 || ran;
      }
    }
  }

  EventLoop& First() { return *loops.front(); }
  EventLoop& Next();
  void Accept();
  void OnAccept(const boost::system::error_code& error, tcp::socket socket, EventLoop& target);
  void Drain(EventLoop& loop);
  void ForEachLoop(std::function<void(EventLoop&)> action);

  HttpOptions options;
  CallMetrics metrics;
  Routes routes;
  asio::thread_pool reads;
  asio::thread_pool writes;
  WaitQuota quota;
  AnswerBudget budget;
  std::optional<asio::ssl::context> tls;
  std::vector<std::unique_ptr<EventLoop>> loops;
  // Made after the loops, whose first runs its idle sweep; the loops only
  // keep a reference to it until they run.
  ConnectionRegistry registry;
  tcp::acceptor acceptor{First().io};
  asio::steady_timer acceptPause{First().io};
  bool reportedOutOfDescriptors = false;
  std::size_t next = 0;  // the loop the last connection went to
};

// New connections go to the loops in turn.
EventLoop& HttpServer::Impl::Next() {
  next = (next + 1) % loops.size();
  return *loops[next];
}

// The connection is accepted straight into the loop that will serve it.
void HttpServer::Impl::Accept() {
  EventLoop& target = Next();
  acceptor.async_accept(
      target.io, [this, &target](const boost::system::error_code& error, tcp::socket socket) {
        OnAccept(error, std::move(socket), target);
      });
}

void HttpServer::Impl::OnAccept(const boost::system::error_code& error, tcp::socket socket,
                                EventLoop& target) {
  if (error == asio::error::operation_aborted || First().context.draining) return;
  if (error) {
    // Out of file descriptors: an idle connection gives its own up, or
    // accepting waits a moment. Anything else is one failed connection.
    if (OutOfDescriptors(error)) {
      if (!reportedOutOfDescriptors)
        LogWarning("sem descritores de arquivo para novas conexões (" + error.message() +
                   "); aumente o limite (ulimit -n) ou reduza --max-connections");
      reportedOutOfDescriptors = true;
      registry.CloseOldest();
      acceptPause.expires_after(kAcceptPause);
      acceptPause.async_wait([this](const boost::system::error_code& e) {
        if (!e) Accept();
      });
      return;
    }
    return Accept();
  }
  asio::post(target.io, [this, &target, socket = std::move(socket)]() mutable {
    if (target.context.draining) return;
    if (registry.MakeRoom()) ServeConnection(target.context, std::move(socket));
    // else: every connection is being answered; this one is closed unserved.
  });
  Accept();
}

// Stops reading new requests on a loop: the listening socket (on the
// first) and every connection not answering a request close now; the
// others close after their answer.
void HttpServer::Impl::Drain(EventLoop& loop) {
  loop.context.draining = true;
  if (&loop == &First()) {
    boost::system::error_code ignored;
    acceptor.close(ignored);
    acceptPause.cancel();
  }
  registry.CloseAllButBusy();
  loop.kiosk.Drain();
  loop.guard.reset();
}

void HttpServer::Impl::ForEachLoop(std::function<void(EventLoop&)> action) {
  for (auto& loop : loops) asio::post(loop->io, [action, l = loop.get()] { action(*l); });
}

HttpServer::HttpServer(HttpOptions options, const RpcDispatcher& dispatcher, HealthCheck health) {
  CheckOptions(options);
  impl_ = std::make_unique<Impl>(std::move(options), dispatcher, std::move(health));
}

HttpServer::~HttpServer() = default;

int HttpServer::Bind() {
  const auto& o = impl_->options;
  auto& acceptor = impl_->acceptor;
  try {
    tcp::resolver resolver(impl_->First().io);
    const auto endpoints = resolver.resolve(o.host, std::to_string(o.port), tcp::resolver::passive);
    const tcp::endpoint endpoint = *endpoints.begin();
    acceptor.open(endpoint.protocol());
    acceptor.set_option(asio::socket_base::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(asio::socket_base::max_listen_connections);
    return acceptor.local_endpoint().port();
  } catch (const boost::system::system_error& error) {
    throw std::runtime_error("não foi possível escutar em " + o.host + ":" +
                             std::to_string(o.port) + " (" + error.code().message() + ")");
  }
}

void HttpServer::Run() {
  asio::post(impl_->First().io, [impl = impl_.get()] {
    if (!impl->First().context.draining) impl->Accept();
  });
  for (std::size_t i = 1; i < impl_->loops.size(); ++i) {
    EventLoop& loop = *impl_->loops[i];
    loop.thread = std::thread([&loop] { RunLoop(loop); });
  }
  RunLoop(impl_->First());
  for (std::size_t i = 1; i < impl_->loops.size(); ++i) impl_->loops[i]->thread.join();
  impl_->reads.join();
  impl_->writes.join();
}

// The screen reads the tokens on its loop, so they change there, between
// two requests.
void HttpServer::ReplaceTokens(AccessTokens tokens) {
  impl_->ForEachLoop(
      [tokens = std::move(tokens)](EventLoop& loop) { loop.options.tokens = tokens; });
}

// Every loop's hub starts from the same versions, read once.
void HttpServer::ServeKiosks(KioskSource source) {
  const auto versions = source.versions();
  for (auto& loop : impl_->loops) loop->kiosk.Start(source, versions);
}

void HttpServer::AnnounceChanges(std::vector<VersaoCaixa> changes) {
  for (auto& loop : impl_->loops) loop->kiosk.Announce(changes);
}

void HttpServer::Stop() {
  impl_->ForEachLoop([impl = impl_.get()](EventLoop& loop) { impl->Drain(loop); });
}

}  // namespace totem::server
