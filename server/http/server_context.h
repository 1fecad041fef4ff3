#pragma once
// What every connection of one event loop shares: the loop, its registry of
// connections, its kiosk hub and its copy of the options (tokens change on
// the loop, between two requests); and what all loops share: how requests
// are screened and answered, the metrics, the read workers, the write lane,
// the caps on kiosk waits, the budget of answers and, for HTTPS, the TLS
// context. The loop's parts are touched on its thread only; the shared ones
// are safe from any thread.
#include "server/http/admission.h"
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
#include <chrono>

namespace totem::server {

struct ServerContext {
  const HttpOptions& options;
  const RequestScreen& screen;
  const Routes& routes;
  CallMetrics& metrics;
  boost::asio::io_context& loop;
  boost::asio::thread_pool& reads;
  boost::asio::thread_pool& writes;
  ConnectionRegistry& registry;
  KioskHub& kiosk;
  AnswerBudget& budget;
  boost::asio::ssl::context* tls = nullptr;  // none: plain HTTP
  // Stopping: no further requests are read. Set on the loop, read by the
  // workers that answer calls too.
  std::atomic<bool> draining{false};
  // Until then the loop looks for work without sleeping (see
  // HttpOptions::pollMicros). On the loop only.
  std::chrono::steady_clock::time_point pollUntil{};
};

// Serves one accepted connection until it closes. The registry has made
// room for it.
void ServeConnection(ServerContext& server, boost::asio::ip::tcp::socket socket);

}  // namespace totem::server
