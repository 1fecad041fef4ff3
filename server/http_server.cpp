#include "server/http_server.h"

#include "server/server_log.h"

#include "platform/json_rpc.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <thread>

namespace totem::server {
namespace {

// With a charset parameter the content type is not one that httplib
// compresses, so answers are never gzip- or brotli-encoded: compressing
// small JSON costs more than it saves, and large lists at brotli's default
// level would cost far more.
constexpr const char* kJsonType = "application/json; charset=utf-8";
constexpr int kListenBacklog = 128;

// httplib binds with a backlog of 5; its listening socket is reachable from
// a subclass, so the backlog can be raised after binding.
class ServerWithBacklog : public httplib::Server {
 public:
  void RaiseBacklog(int backlog) { ::listen(svr_sock_, backlog); }
};

struct HttpRefusal {
  int status;
  std::string message;
};

std::string ErrorBody(const std::string& message) {
  return nlohmann::json{{"error", message}}.dump(-1, ' ', false,
                                                 nlohmann::json::error_handler_t::replace);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// Compares without stopping at the first difference, so the time taken
// does not tell how much of a guessed token was right.
bool SameSecret(std::string_view given, std::string_view expected) {
  if (given.size() != expected.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < given.size(); ++i)
    diff |= static_cast<unsigned char>(given[i] ^ expected[i]);
  return diff == 0;
}

// A request that announces a body we have not read must not share its
// connection with a following request: the unread bytes would be taken as
// the next request.
bool AnnouncesBody(const httplib::Request& req) {
  return req.has_header("Transfer-Encoding") ||
         (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0");
}

// Answers a refusal. When the request's body is left unread, the connection
// is closed after the answer: a content provider that reports failure after
// writing everything is httplib's only way to end a keep-alive connection
// from a handler.
void Refuse(httplib::Response& res, const HttpRefusal& refusal, bool closeAfter) {
  res.status = refusal.status;
  if (refusal.status == 401) res.set_header("WWW-Authenticate", "Bearer");
  if (refusal.status == 405) res.set_header("Allow", "GET, POST");
  std::string body = ErrorBody(refusal.message);
  if (!closeAfter) {
    res.set_content(body, kJsonType);
    return;
  }
  res.set_header("Connection", "close");
  auto shared = std::make_shared<const std::string>(std::move(body));
  res.set_content_provider(shared->size(), kJsonType,
                           [shared](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                             sink.write(shared->data() + offset, length);
                             return false;
                           });
}

int PortOf(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return -1;
}

// "address:port" as httplib fills Request::remote_addr and remote_port.
std::string PeerKey(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET)
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
  else if (address.ss_family == AF_INET6)
    inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text, sizeof text);
  return std::string(text) + ":" + std::to_string(PortOf(address));
}

std::string PeerKey(const httplib::Request& req) {
  return req.remote_addr + ":" + std::to_string(req.remote_port);
}

// httplib's wait for the next request on a keep-alive connection never
// looks at the stop flag, so one idle client would hold up the shutdown for
// the whole keep-alive timeout. Shutting the reading side of the idle
// connections accepted on our port ends those waits at once. Connections
// with a call in progress are left alone: their worker sees the stop after
// answering. The fds are found through /proc because httplib does not hand
// them out.
void EndKeepAliveWaits(int port, const std::function<bool(const std::string&)>& busy) {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const int fd = std::atoi(entry->d_name);
    if (fd <= 2) continue;
    sockaddr_storage local{}, peer{};
    socklen_t localSize = sizeof local, peerSize = sizeof peer;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localSize) != 0) continue;  // not a socket
    if (PortOf(local) != port) continue;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0) continue;  // the listener
    if (!busy(PeerKey(peer))) ::shutdown(fd, SHUT_RD);
  }
  closedir(dir);
}

}  // namespace

struct HttpServer::Impl {
  Impl(HttpOptions o, const RpcDispatcher& d) : options(std::move(o)), dispatcher(d) {}

  std::optional<HttpRefusal> Screen(const httplib::Request& req) const;
  void Configure();

  HttpOptions options;
  const RpcDispatcher& dispatcher;
  const std::string modulePath = rpc::ModulePath(kServerName);
  ServerWithBacklog http;
  std::atomic<bool> stopRequested{false};
  std::atomic<bool> finished{false};
  int boundPort = 0;

  // Connections between a request's headers and its answer.
  void MarkBusy(const httplib::Request& req) {
    std::lock_guard lock(busyMutex);
    busy.insert(PeerKey(req));
  }
  void MarkIdle(const httplib::Request& req) {
    std::lock_guard lock(busyMutex);
    busy.erase(PeerKey(req));
  }
  bool IsBusy(const std::string& peer) {
    std::lock_guard lock(busyMutex);
    return busy.count(peer) > 0;
  }
  std::mutex busyMutex;
  std::set<std::string> busy;
};

// Everything decidable from the request line and headers is decided here,
// before httplib reads a byte of the body.
std::optional<HttpRefusal> HttpServer::Impl::Screen(const httplib::Request& req) const {
  const std::string rpcPrefix = "/rpc/";
  if (req.path.rfind(rpcPrefix, 0) != 0) return HttpRefusal{404, "Caminho desconhecido: " + req.path};
  if (!options.token.empty() &&
      !SameSecret(req.get_header_value("Authorization"), "Bearer " + options.token))
    return HttpRefusal{401, "Autorização ausente ou inválida."};
  if (req.path != modulePath)
    return HttpRefusal{404, "Servidor desconhecido: " + req.path.substr(rpcPrefix.size())};
  if (req.method != "GET" && req.method != "POST")
    return HttpRefusal{405, "Método HTTP não aceito: " + req.method};

  if (req.has_header("Transfer-Encoding"))
    return HttpRefusal{411, "Corpo em partes (chunked) não é aceito; envie Content-Length."};
  const std::size_t lengths = req.get_header_value_count("Content-Length");
  if (lengths > 1) return HttpRefusal{400, "Content-Length repetido."};
  if (lengths == 0) {
    if (req.method == "POST") return HttpRefusal{411, "Falta o Content-Length."};
  } else {
    const std::string text = req.get_header_value("Content-Length");
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return HttpRefusal{400, "Content-Length inválido."};
    if (std::stoull(text) > options.maxBody)
      return HttpRefusal{413, "Corpo da requisição maior que o limite de " +
                                  std::to_string(options.maxBody) + " bytes."};
  }
  if (req.method == "POST" && !StartsWithNoCase(req.get_header_value("Content-Type"), "application/json"))
    return HttpRefusal{415, "O corpo deve ser application/json."};
  return std::nullopt;
}

void HttpServer::Impl::Configure() {
  // Without TCP_NODELAY every keep-alive call waits ~40 ms on delayed ACKs.
  http.set_tcp_nodelay(true);
  http.set_keep_alive_max_count(10000);
  http.set_keep_alive_timeout(options.keepAliveSeconds);
  http.set_read_timeout(options.readTimeoutSeconds, 0);
  http.set_write_timeout(options.writeTimeoutSeconds, 0);
  http.set_payload_max_length(options.maxBody);
  const auto workers = static_cast<std::size_t>(options.workers);
  http.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };

  http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    MarkBusy(req);
    if (auto refusal = Screen(req)) {
      Refuse(res, *refusal, AnnouncesBody(req));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // A client that waits for "100 Continue" is refused before it sends the
  // body, so its connection stays usable.
  http.set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
    MarkBusy(req);
    if (auto refusal = Screen(req)) {
      Refuse(res, *refusal, false);
      return refusal->status;
    }
    return 100;
  });

  // httplib calls the logger once every answer has been written.
  http.set_logger([this](const httplib::Request& req, const httplib::Response&) { MarkIdle(req); });

  http.Get(modulePath, [this](const httplib::Request&, httplib::Response& res) {
    nlohmann::json answer = {{"server", kServerName}, {"methods", dispatcher.MethodNames()}};
    res.set_content(answer.dump(), kJsonType);
  });
  http.Post(modulePath, [this](const httplib::Request& req, httplib::Response& res) {
    res.set_content(dispatcher.Handle(req.body), kJsonType);
  });
  http.set_exception_handler(
      [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
        std::string what = "desconhecido";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        LogLine("erro ao atender " + req.method + " " + req.path + ": " + what);
        res.status = 500;
        res.set_content(ErrorBody("Erro interno do servidor."), kJsonType);
      });
}

HttpServer::HttpServer(HttpOptions options, const RpcDispatcher& dispatcher)
    : impl_(std::make_unique<Impl>(std::move(options), dispatcher)) {
  if (impl_->options.workers < 1) throw std::invalid_argument("o número de workers deve ser pelo menos 1");
  impl_->Configure();
}

HttpServer::~HttpServer() { impl_->finished = true; }

int HttpServer::Bind() {
  const auto& o = impl_->options;
  int port = o.port;
  if (port == 0) {
    port = impl_->http.bind_to_any_port(o.host);
    if (port < 0) port = 0;
  } else if (!impl_->http.bind_to_port(o.host, port)) {
    port = 0;
  }
  if (port == 0)
    throw std::runtime_error("não foi possível escutar em " + o.host + ":" + std::to_string(o.port));
  impl_->http.RaiseBacklog(kListenBacklog);
  impl_->boundPort = port;
  return port;
}

void HttpServer::Run() {
  if (!impl_->stopRequested) {
    if (!impl_->http.listen_after_bind() && !impl_->stopRequested)
      LogLine("o socket de escuta falhou; encerrando");
  }
  impl_->finished = true;
}

void HttpServer::Stop() {
  impl_->stopRequested = true;
  // httplib's stop() only acts once its accept loop has started; until Run
  // gets there (or gives up), keep trying.
  while (!impl_->finished) {
    if (impl_->http.is_running()) {
      impl_->http.stop();
      EndKeepAliveWaits(impl_->boundPort, [this](const std::string& peer) { return impl_->IsBusy(peer); });
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace totem::server
