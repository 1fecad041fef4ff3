#pragma once
// What every connection of one server shares: its options, how requests are
// screened and answered, the event loop, the worker pool, the registry of
// connections and, for HTTPS, the TLS context. Touched on the event loop's
// thread only, except the parts that are safe from any thread (the worker
// pool, the routes' dispatcher and metrics).
#include "server/http/call_metrics.h"
#include "server/http/connection_registry.h"
#include "server/http/http_options.h"
#include "server/http/kiosk_hub.h"
#include "server/http/request_screen.h"
#include "server/http/routes.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/thread_pool.hpp>

#include <atomic>

namespace totem::server {

struct ServerContext {
  const HttpOptions& options;
  const RequestScreen& screen;
  const Routes& routes;
  CallMetrics& metrics;
  boost::asio::io_context& loop;
  boost::asio::thread_pool& workers;
  ConnectionRegistry& registry;
  KioskHub& kiosk;
  boost::asio::ssl::context* tls = nullptr;  // none: plain HTTP
  // Stopping: no further requests are read. Set on the loop, read by the
  // workers that answer calls too.
  std::atomic<bool> draining{false};
};

// Serves one accepted connection until it closes. The registry has made
// room for it.
void ServeConnection(ServerContext& server, boost::asio::ip::tcp::socket socket);

}  // namespace totem::server
