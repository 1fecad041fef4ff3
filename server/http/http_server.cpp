#include "server/http/http_server.h"

#include "server/http/server_context.h"
#include "server/http/tls_context.h"
#include "server/log/server_log.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <optional>
#include <stdexcept>

namespace totem::server {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// How long accepting pauses when the process is out of file descriptors
// and no connection can be closed to free one.
constexpr auto kAcceptPause = std::chrono::milliseconds(100);

void CheckOptions(const HttpOptions& o) {
  if (o.workers < 1) throw std::invalid_argument("o número de workers deve ser pelo menos 1");
  if (o.keepAliveRequests < 1)
    throw std::invalid_argument("o limite de requisições por conexão deve ser pelo menos 1");
  if (o.maxConnections < 1) throw std::invalid_argument("o limite de conexões deve ser pelo menos 1");
  if (o.tlsCert.empty() != o.tlsKey.empty())
    throw std::invalid_argument("o certificado e a chave TLS são dados juntos");
}

bool OutOfDescriptors(const boost::system::error_code& error) {
  return error == asio::error::no_descriptors || error == asio::error::no_buffer_space ||
         error == asio::error::no_memory || error.value() == ENFILE;
}

}  // namespace

struct HttpServer::Impl {
  Impl(HttpOptions o, const RpcDispatcher& dispatcher, HealthCheck health)
      : options(std::move(o)),
        metrics(dispatcher.MethodNames()),
        screen(options),
        routes(dispatcher, std::move(health), metrics),
        workers(static_cast<std::size_t>(options.workers)),
        registry(loop, static_cast<std::size_t>(options.maxConnections),
                 std::chrono::seconds(options.keepAliveSeconds)) {
    if (!options.tlsCert.empty()) {
      tls.emplace(MakeTlsContext(options.tlsCert, options.tlsKey));
      context.tls = &*tls;
    }
  }
  // Normally Run has ended every connection. Otherwise the ones left end
  // here, while everything they use still exists.
  ~Impl() {
    asio::post(loop, [this] { Drain(); });
    workers.join();
    loop.restart();
    loop.run();
  }

  void Accept();
  void OnAccept(const boost::system::error_code& error, tcp::socket socket);
  void Drain();

  HttpOptions options;
  CallMetrics metrics;
  RequestScreen screen;
  Routes routes;
  asio::io_context loop{1};
  asio::thread_pool workers;
  ConnectionRegistry registry;
  KioskHub kiosk{loop, workers, metrics};
  std::optional<asio::ssl::context> tls;
  ServerContext context{options, screen, routes, metrics, loop, workers, registry, kiosk};
  tcp::acceptor acceptor{loop};
  asio::steady_timer acceptPause{loop};
  bool reportedOutOfDescriptors = false;
};

void HttpServer::Impl::Accept() {
  acceptor.async_accept(loop, [this](const boost::system::error_code& error, tcp::socket socket) {
    OnAccept(error, std::move(socket));
  });
}

void HttpServer::Impl::OnAccept(const boost::system::error_code& error, tcp::socket socket) {
  if (error == asio::error::operation_aborted || context.draining) return;
  if (error) {
    // Out of file descriptors: an idle connection gives its own up, or
    // accepting waits a moment. Anything else is one failed connection.
    if (OutOfDescriptors(error)) {
      if (!reportedOutOfDescriptors)
        LogWarning("sem descritores de arquivo para novas conexões (" + error.message() +
                "); aumente o limite (ulimit -n) ou reduza --max-connections");
      reportedOutOfDescriptors = true;
      if (!registry.CloseOldest()) {
        acceptPause.expires_after(kAcceptPause);
        acceptPause.async_wait([this](const boost::system::error_code& e) {
          if (!e) Accept();
        });
        return;
      }
    }
    return Accept();
  }
  if (registry.MakeRoom()) ServeConnection(context, std::move(socket));
  // else: every connection is answering a request; this one is closed unserved.
  Accept();
}

// Stops reading new requests: the listening socket and every connection not
// answering a request close now; the others close after their answer.
void HttpServer::Impl::Drain() {
  context.draining = true;
  boost::system::error_code ignored;
  acceptor.close(ignored);
  acceptPause.cancel();
  registry.CloseAllButBusy();
  kiosk.Drain();
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
    tcp::resolver resolver(impl_->loop);
    const auto endpoints = resolver.resolve(o.host, std::to_string(o.port), tcp::resolver::passive);
    const tcp::endpoint endpoint = *endpoints.begin();
    acceptor.open(endpoint.protocol());
    acceptor.set_option(asio::socket_base::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(asio::socket_base::max_listen_connections);
    return acceptor.local_endpoint().port();
  } catch (const boost::system::system_error& error) {
    throw std::runtime_error("não foi possível escutar em " + o.host + ":" + std::to_string(o.port) + " (" +
                             error.code().message() + ")");
  }
}

void HttpServer::Run() {
  asio::post(impl_->loop, [impl = impl_.get()] {
    if (!impl->context.draining) impl->Accept();
  });
  impl_->loop.run();
  impl_->workers.join();
}

// The screen reads the tokens on the loop, so they change there, between
// two requests.
void HttpServer::ReplaceTokens(AccessTokens tokens) {
  asio::post(impl_->loop, [impl = impl_.get(), tokens = std::move(tokens)]() mutable {
    impl->options.tokens = std::move(tokens);
  });
}

void HttpServer::ServeKiosks(KioskSource source) { impl_->kiosk.Start(std::move(source)); }

void HttpServer::AnnounceChanges(std::vector<VersaoCaixa> changes) { impl_->kiosk.Announce(std::move(changes)); }

void HttpServer::Stop() {
  asio::post(impl_->loop, [impl = impl_.get()] { impl->Drain(); });
}

}  // namespace totem::server
