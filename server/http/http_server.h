#pragma once
// The HTTP front of the server: GET and POST on /rpc/<server name>, GET
// /healthz and /metrics, request screening (token, sizes, framing) before
// any body is read, one call-log line per answer, a bounded pool of worker
// threads, and HTTPS when given a certificate.
#include "server/http/access_tokens.h"
#include "server/rpc/rpc_dispatch.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace totem::server {

struct HttpOptions {
  std::string host = "127.0.0.1";
  int port = 8080;                    // 0 picks a free port
  std::size_t maxBody = 64 * 1024;    // larger request bodies are refused (413)
  std::size_t maxHeader = 8 * 1024;   // request line and headers together (431 above)
  int workers = 16;                   // each serves one keep-alive connection at a time
  int keepAliveRequests = 10000;      // requests on one connection before the server closes it
  int keepAliveSeconds = 5;           // an idle connection is closed after this
  int readTimeoutSeconds = 10;        // longest wait for each read from a client
  int writeTimeoutSeconds = 10;       // longest wait for each write to a client
  AccessTokens tokens;                // none: no token is required
  std::string tlsCert;                // PEM certificate chain and key: serve HTTPS
  std::string tlsKey;
  // Addresses of reverse proxies whose X-Forwarded-For names the real client.
  std::vector<std::string> trustedProxies;
};

// Tells whether the store answers; GET /healthz reports it.
using HealthCheck = std::function<bool()>;

class HttpServer {
 public:
  // Throws std::runtime_error when the certificate or key cannot be used.
  HttpServer(HttpOptions options, const RpcDispatcher& dispatcher, HealthCheck health = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the listening socket and returns its port. Throws
  // std::runtime_error when the address cannot be bound.
  int Bind();
  // Serves until Stop(); returns once the calls in flight have been answered.
  void Run();
  // Stops accepting connections. Safe from any thread, before or during Run.
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace totem::server
