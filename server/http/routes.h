#pragma once
// The answers of the four routes, and of refusals: what the module is, a
// JSON-RPC call, the store's health, the metrics.
#include "server/http/call_metrics.h"
#include "server/http/exchange.h"
#include "server/http/http_options.h"
#include "server/http/request_screen.h"
#include "server/rpc/rpc_dispatch.h"

#include <string>

namespace totem::server {

struct Answer {
  int status = 200;
  std::string body;
  const char* contentType = nullptr;
  std::string allow = {};  // for 405
  bool close = false;  // the connection ends after this answer
  std::string etag = {};   // the version of what was asked for, quoted; sent with "Cache-Control: no-cache"
  int retryAfter = 0;  // seconds, for 503
};

// The JSON object {"error": message}.
std::string ErrorBody(const std::string& message);
inline constexpr const char* kJsonType = "application/json; charset=utf-8";

// A refusal's answer: a JSON object {"error": message}.
Answer RefusalAnswer(const HttpRefusal& refusal, bool close);

class Routes {
 public:
  Routes(const RpcDispatcher& dispatcher, HealthCheck health, CallMetrics& metrics);

  // Whether the route touches the store, and so runs on a worker thread.
  static bool NeedsWorker(Route route) { return route == Route::kCall || route == Route::kHealth; }

  // Answers a screened request; fills what the exchange learns of it. Never
  // throws: an unexpected failure is answered 500 and logged.
  Answer Run(Route route, const std::string& body, Exchange& exchange) const;

 private:
  Answer Call(const std::string& body, Exchange& exchange) const;
  Answer Health() const;

  const RpcDispatcher& dispatcher_;
  HealthCheck health_;
  CallMetrics& metrics_;
};

}  // namespace totem::server
