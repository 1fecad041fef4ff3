#pragma once
// The HTTP front of the server: GET and POST on /rpc/<server name>, GET
// /healthz and /metrics. One event loop thread accepts connections and reads
// and writes them all, enforcing the limits while it reads (head and body
// sizes and deadlines, the cap on connections, idle time); the calls that
// touch the store run on a bounded pool of worker threads, so neither a slow
// client nor a slow database call holds up the others. HTTPS when given a
// certificate.
#include "server/http/http_options.h"
#include "server/http/kiosk_hub.h"
#include "server/rpc/rpc_dispatch.h"

#include <memory>

namespace totem::server {

class HttpServer {
 public:
  // Throws std::runtime_error when the certificate or key cannot be used and
  // std::invalid_argument for options out of range.
  HttpServer(HttpOptions options, const RpcDispatcher& dispatcher, HealthCheck health = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds the listening socket and returns its port. Throws
  // std::runtime_error when the address cannot be bound.
  int Bind();
  // Serves until Stop(); returns once the calls in flight have been answered.
  void Run();
  // Stops accepting connections and closes the idle ones; the requests
  // being answered finish first. Safe from any thread, before or during Run.
  void Stop();
  // Answers the kiosks' read path from this source (before Run; until
  // then the path is unknown). Throws StoreError.
  void ServeKiosks(KioskSource source);
  // These registers' records changed: the kiosks waiting on them are
  // answered. Safe from any thread.
  void AnnounceChanges(std::vector<VersaoCaixa> changes);
  // Requests screened from now on need one of these tokens instead; the
  // requests and connections already accepted go on. Safe from any thread.
  void ReplaceTokens(AccessTokens tokens);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace totem::server
