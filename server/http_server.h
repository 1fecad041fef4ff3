#pragma once
// The HTTP front of the server: GET and POST on /rpc/<server name>, request
// screening before any body is read, and a bounded pool of worker threads.
#include "server/rpc_dispatch.h"

#include <cstddef>
#include <memory>
#include <string>

namespace totem::server {

struct HttpOptions {
  std::string host = "127.0.0.1";
  int port = 8080;                    // 0 picks a free port
  std::size_t maxBody = 64 * 1024;    // larger request bodies are refused (413)
  int workers = 16;                   // each serves one keep-alive connection at a time
  std::string token;                  // when set, "Authorization: Bearer <token>" is required
  int readTimeoutSeconds = 10;
  int writeTimeoutSeconds = 10;
  int keepAliveSeconds = 5;           // an idle connection is closed after this
};

class HttpServer {
 public:
  HttpServer(HttpOptions options, const RpcDispatcher& dispatcher);
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
