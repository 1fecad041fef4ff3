#include "server/http/http_server.h"

#include "server/http/call_log.h"
#include "server/http/call_metrics.h"
#include "server/log/server_log.h"

#include "platform/json_rpc.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <httplib.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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
constexpr const char* kTextType = "text/plain; charset=utf-8";
constexpr const char* kMetricsType = "text/plain; version=0.0.4; charset=utf-8";
constexpr const char* kHealthPath = "/healthz";
constexpr const char* kMetricsPath = "/metrics";
constexpr int kListenBacklog = 128;

// httplib binds with a backlog of 5; its listening socket is reachable from
// a subclass, so the backlog can be raised after binding.
template <class Base>
class ListeningServer : public Base {
 public:
  using Base::Base;
  void RaiseBacklog(int backlog) { ::listen(this->svr_sock_, backlog); }
};

std::string OpenSslReason() {
  const unsigned long error = ERR_get_error();
  ERR_clear_error();
  if (error == 0) return {};
  char text[256];
  ERR_error_string_n(error, text, sizeof text);
  return std::string(" (") + text + ")";
}

// The private key of a PEM file. A key protected by a passphrase is not
// read: there is nobody to type it when the server starts.
EVP_PKEY* ReadPrivateKey(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "r");
  if (!file) return nullptr;
  auto noPassphrase = [](char*, int, int, void*) { return 0; };
  EVP_PKEY* key = PEM_read_PrivateKey(file, nullptr, noPassphrase, nullptr);
  std::fclose(file);
  return key;
}

// HTTPS: TLS 1.2 or newer, the certificate chain and its key from PEM files.
std::unique_ptr<ListeningServer<httplib::SSLServer>> MakeTlsServer(const HttpOptions& o) {
  std::string failure;
  auto server = std::make_unique<ListeningServer<httplib::SSLServer>>([&](SSL_CTX& ctx) {
    SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(&ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate_chain_file(&ctx, o.tlsCert.c_str()) != 1) {
      failure = "não foi possível ler o certificado " + o.tlsCert + OpenSslReason();
      return false;
    }
    EVP_PKEY* key = ReadPrivateKey(o.tlsKey);
    if (!key) {
      failure = "não foi possível ler a chave " + o.tlsKey + " (PEM sem senha)" + OpenSslReason();
      return false;
    }
    const bool matches = SSL_CTX_use_PrivateKey(&ctx, key) == 1 && SSL_CTX_check_private_key(&ctx) == 1;
    EVP_PKEY_free(key);
    if (!matches) {
      ERR_clear_error();
      failure = "a chave " + o.tlsKey + " não corresponde ao certificado " + o.tlsCert;
      return false;
    }
    return true;
  });
  if (!server->is_valid())
    throw std::runtime_error(failure.empty() ? "não foi possível preparar o TLS" + OpenSslReason() : failure);
  return server;
}

struct HttpRefusal {
  int status;
  std::string message;
  std::string allow = {};  // the methods the path takes, for 405
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

// A request that announces a body we have not read must not share its
// connection with a following request: the unread bytes would be taken as
// the next request.
bool AnnouncesBody(const httplib::Request& req) {
  return req.has_header("Transfer-Encoding") ||
         (req.has_header("Content-Length") && req.get_header_value("Content-Length") != "0");
}

// The request line and headers as they came, near enough: httplib has
// already split them.
std::size_t HeadSize(const httplib::Request& req) {
  std::size_t size = req.method.size() + req.target.size() + req.version.size() + 4;
  for (const auto& [name, value] : req.headers) size += name.size() + value.size() + 4;
  return size + 2;
}

// Answers a refusal. When the request's body is left unread, the connection
// is closed after the answer: a content provider that reports failure after
// writing everything is httplib's only way to end a keep-alive connection
// from a handler.
void Refuse(httplib::Response& res, const HttpRefusal& refusal, bool closeAfter) {
  res.status = refusal.status;
  if (refusal.status == 401) res.set_header("WWW-Authenticate", "Bearer");
  if (!refusal.allow.empty()) res.set_header("Allow", refusal.allow);
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

bool IsIpAddress(const std::string& text) {
  in6_addr buffer{};
  return inet_pton(AF_INET, text.c_str(), &buffer) == 1 || inet_pton(AF_INET6, text.c_str(), &buffer) == 1;
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

// What the server knows of the request a worker is answering, from its
// head to the log line written after its answer. httplib runs a request's
// handlers and then its logger on one worker thread, one request after
// another, so the state lives with the thread.
struct RequestState {
  bool active = false;
  std::string peer;  // the connection, to tell a state left behind by a vanished client
  std::chrono::steady_clock::time_point start;
  std::string client;
  std::string token;
  bool isCall = false;
  CallSummary call;
  bool quiet = false;  // health checks and metric scrapes that succeed are not logged
};

RequestState& ThisRequest() {
  thread_local RequestState state;
  return state;
}

}  // namespace

struct HttpServer::Impl {
  Impl(HttpOptions o, const RpcDispatcher& d, HealthCheck h)
      : options(std::move(o)), dispatcher(d), health(std::move(h)), metrics(d.MethodNames()) {}

  void Begin(const httplib::Request& req);
  std::optional<HttpRefusal> Screen(const httplib::Request& req, std::string& tokenName) const;
  std::optional<HttpRefusal> Admit(const httplib::Request& req);
  std::string ClientAddress(const httplib::Request& req) const;
  void Finish(const httplib::Request& req, const httplib::Response& res);
  void Configure();

  HttpOptions options;
  const RpcDispatcher& dispatcher;
  HealthCheck health;
  CallMetrics metrics;
  const std::string modulePath = rpc::ModulePath(kServerName);
  std::unique_ptr<httplib::Server> http;
  std::function<void(int)> raiseBacklog;
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

// Behind a trusted reverse proxy the peer is the proxy; the client is the
// last address the proxy appended to X-Forwarded-For. From anyone else the
// header is ignored, so a client cannot choose the address it is recorded by.
std::string HttpServer::Impl::ClientAddress(const httplib::Request& req) const {
  const auto& proxies = options.trustedProxies;
  const std::size_t forwarded = req.get_header_value_count("X-Forwarded-For");
  if (forwarded == 0 || std::find(proxies.begin(), proxies.end(), req.remote_addr) == proxies.end())
    return req.remote_addr;
  std::string list = req.get_header_value("X-Forwarded-For", forwarded - 1);
  std::string last = list.substr(list.rfind(',') == std::string::npos ? 0 : list.rfind(',') + 1);
  last.erase(0, last.find_first_not_of(" \t"));
  last.erase(last.find_last_not_of(" \t") + 1);
  return IsIpAddress(last) ? last : req.remote_addr;
}

void HttpServer::Impl::Begin(const httplib::Request& req) {
  RequestState& state = ThisRequest();
  state = RequestState{};
  state.active = true;
  state.peer = PeerKey(req);
  state.start = std::chrono::steady_clock::now();
  state.client = ClientAddress(req);
}

// Everything decidable from the request line and headers is decided here,
// before httplib reads a byte of the body. Only the health check is open
// without a token; every other path, unknown ones included, asks for one
// first, so a caller without a token learns nothing about the server.
// tokenName receives the name of the token presented.
std::optional<HttpRefusal> HttpServer::Impl::Screen(const httplib::Request& req,
                                                    std::string& tokenName) const {
  if (HeadSize(req) > options.maxHeader)
    return HttpRefusal{431, "Cabeçalho da requisição maior que o limite de " +
                                std::to_string(options.maxHeader) + " bytes."};
  if (req.path != kHealthPath && !options.tokens.Empty()) {
    auto name = options.tokens.NameFor(req.get_header_value("Authorization"));
    if (!name) return HttpRefusal{401, "Autorização ausente ou inválida."};
    tokenName = std::move(*name);
  }

  const bool module = req.path == modulePath;
  if (!module && req.path != kHealthPath && req.path != kMetricsPath) {
    const std::string rpcPrefix = "/rpc/";
    if (req.path.rfind(rpcPrefix, 0) != 0) return HttpRefusal{404, "Caminho desconhecido: " + req.path};
    return HttpRefusal{404, "Servidor desconhecido: " + req.path.substr(rpcPrefix.size())};
  }
  if (req.method != "GET" && !(module && req.method == "POST"))
    return HttpRefusal{405, "Método HTTP não aceito: " + req.method, module ? "GET, POST" : "GET"};

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
    // httplib does not read the body of a GET; left unread, it would be
    // taken for the next request.
    if (req.method == "GET" && std::stoull(text) > 0) return HttpRefusal{400, "GET não leva corpo."};
    if (std::stoull(text) > options.maxBody)
      return HttpRefusal{413, "Corpo da requisição maior que o limite de " +
                                  std::to_string(options.maxBody) + " bytes."};
  }
  if (req.method == "POST" && !StartsWithNoCase(req.get_header_value("Content-Type"), "application/json"))
    return HttpRefusal{415, "O corpo deve ser application/json."};
  return std::nullopt;
}

std::optional<HttpRefusal> HttpServer::Impl::Admit(const httplib::Request& req) {
  Begin(req);
  MarkBusy(req);
  return Screen(req, ThisRequest().token);
}

// Called by httplib once the answer has been written: the request's log line
// and metrics. A request httplib refused by itself (a malformed request
// line, an over-long header line) never reached Begin; it is logged from
// what the logger is given.
void HttpServer::Impl::Finish(const httplib::Request& req, const httplib::Response& res) {
  MarkIdle(req);
  RequestState state = std::move(ThisRequest());
  ThisRequest() = RequestState{};
  const auto now = std::chrono::steady_clock::now();
  if (!state.active || state.peer != PeerKey(req)) {
    state = RequestState{};
    state.start = now;
    state.client = req.remote_addr;
  }
  if (state.quiet && res.status < 400) return;
  const double seconds = std::chrono::duration<double>(now - state.start).count();

  RequestRecord record;
  record.client = state.client;
  record.token = state.token;
  record.milliseconds = seconds * 1000;
  record.status = res.status;
  if (state.isCall) {
    record.call = state.call;
    metrics.RecordCall(state.call, seconds);
  } else {
    record.httpMethod = req.method;
    record.path = req.path;
    if (res.status >= 400 && !state.quiet) metrics.RecordRejection(res.status);
  }
  LogRecord(FormatRequestRecord(record, UtcTimestamp()));
}

void HttpServer::Impl::Configure() {
  // Without TCP_NODELAY every keep-alive call waits ~40 ms on delayed ACKs.
  http->set_tcp_nodelay(true);
  http->set_keep_alive_max_count(static_cast<std::size_t>(options.keepAliveRequests));
  http->set_keep_alive_timeout(options.keepAliveSeconds);
  http->set_read_timeout(options.readTimeoutSeconds, 0);
  http->set_write_timeout(options.writeTimeoutSeconds, 0);
  http->set_payload_max_length(options.maxBody);
  const auto workers = static_cast<std::size_t>(options.workers);
  http->new_task_queue = [workers] { return new httplib::ThreadPool(workers); };

  http->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (auto refusal = Admit(req)) {
      Refuse(res, *refusal, AnnouncesBody(req));
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // A client that waits for "100 Continue" is refused before it sends the
  // body, so its connection stays usable.
  http->set_expect_100_continue_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (auto refusal = Admit(req)) {
      Refuse(res, *refusal, false);
      return refusal->status;
    }
    return 100;
  });

  http->set_logger([this](const httplib::Request& req, const httplib::Response& res) { Finish(req, res); });

  http->Get(modulePath, [this](const httplib::Request&, httplib::Response& res) {
    nlohmann::json answer = {{"server", kServerName}, {"methods", dispatcher.MethodNames()}};
    res.set_content(answer.dump(), kJsonType);
  });
  http->Post(modulePath, [this](const httplib::Request& req, httplib::Response& res) {
    RequestState& state = ThisRequest();
    state.isCall = true;
    res.set_content(dispatcher.Handle(req.body, Caller{state.token, state.client}, state.call), kJsonType);
  });
  // The store answering a trivial query is what "healthy" means: with it
  // every method can run.
  http->Get(kHealthPath, [this](const httplib::Request&, httplib::Response& res) {
    ThisRequest().quiet = true;
    bool reachable = true;
    try {
      reachable = !health || health();
    } catch (const std::exception&) {
      reachable = false;
    }
    res.status = reachable ? 200 : 503;
    res.set_content(reachable ? "ok\n" : "unavailable\n", kTextType);
  });
  http->Get(kMetricsPath, [this](const httplib::Request&, httplib::Response& res) {
    ThisRequest().quiet = true;
    res.set_content(metrics.Render(), kMetricsType);
  });
  http->set_exception_handler(
      [](const httplib::Request& req, httplib::Response& res, std::exception_ptr error) {
        std::string what = "desconhecido";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          what = e.what();
        } catch (...) {
        }
        LogLine("erro ao atender " + req.method + " " + req.path + ": " + what);
        RequestState& state = ThisRequest();
        state.call.outcome = CallSummary::Outcome::kError;
        state.call.code = "500";
        res.status = 500;
        res.set_content(ErrorBody("Erro interno do servidor."), kJsonType);
      });
}

HttpServer::HttpServer(HttpOptions options, const RpcDispatcher& dispatcher, HealthCheck health)
    : impl_(std::make_unique<Impl>(std::move(options), dispatcher, std::move(health))) {
  const auto& o = impl_->options;
  if (o.workers < 1) throw std::invalid_argument("o número de workers deve ser pelo menos 1");
  if (o.keepAliveRequests < 1) throw std::invalid_argument("o limite de requisições por conexão deve ser pelo menos 1");
  if (o.tlsCert.empty() != o.tlsKey.empty())
    throw std::invalid_argument("o certificado e a chave TLS são dados juntos");
  if (o.tlsCert.empty()) {
    auto plain = std::make_unique<ListeningServer<httplib::Server>>();
    impl_->raiseBacklog = [server = plain.get()](int backlog) { server->RaiseBacklog(backlog); };
    impl_->http = std::move(plain);
  } else {
    auto tls = MakeTlsServer(o);
    impl_->raiseBacklog = [server = tls.get()](int backlog) { server->RaiseBacklog(backlog); };
    impl_->http = std::move(tls);
  }
  impl_->Configure();
}

HttpServer::~HttpServer() { impl_->finished = true; }

int HttpServer::Bind() {
  const auto& o = impl_->options;
  int port = o.port;
  if (port == 0) {
    port = impl_->http->bind_to_any_port(o.host);
    if (port < 0) port = 0;
  } else if (!impl_->http->bind_to_port(o.host, port)) {
    port = 0;
  }
  if (port == 0)
    throw std::runtime_error("não foi possível escutar em " + o.host + ":" + std::to_string(o.port));
  impl_->raiseBacklog(kListenBacklog);
  impl_->boundPort = port;
  return port;
}

void HttpServer::Run() {
  if (!impl_->stopRequested) {
    if (!impl_->http->listen_after_bind() && !impl_->stopRequested)
      LogLine("o socket de escuta falhou; encerrando");
  }
  impl_->finished = true;
}

void HttpServer::Stop() {
  impl_->stopRequested = true;
  // httplib's stop() only acts once its accept loop has started; until Run
  // gets there (or gives up), keep trying.
  while (!impl_->finished) {
    if (impl_->http->is_running()) {
      impl_->http->stop();
      EndKeepAliveWaits(impl_->boundPort, [this](const std::string& peer) { return impl_->IsBusy(peer); });
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace totem::server
