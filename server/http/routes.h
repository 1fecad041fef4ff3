#pragma once
// The answers of the four routes, and of refusals: what the module is, a
// JSON-RPC call, the store's health, the metrics.
#include "server/http/call_metrics.h"
#include "server/http/connection_registry.h"
#include "server/http/exchange.h"
#include "server/http/http_options.h"
#include "server/http/request_screen.h"
#include "server/rpc/rpc_dispatch.h"

#include <chrono>
#include <string>

namespace totem::server {

struct Answer {
  int status = 200;
  std::string body;
  const char* contentType = nullptr;
  std::string allow = {};  // for 405
  bool close = false;      // the connection ends after this answer
  std::string etag =
      {};  // the version of what was asked for, quoted; sent with "Cache-Control: no-cache"
  int retryAfter = 0;  // seconds, for 503
  // The connection's next request is not read before this much time: a
  // kiosk whose wait went over its caps polls no faster than this.
  std::chrono::milliseconds pause{0};
};

// The JSON object {"error": message}.
std::string ErrorBody(const std::string& message);
inline constexpr const char* kJsonType = "application/json; charset=utf-8";

// A refusal's answer: a JSON object {"error": message}.
Answer RefusalAnswer(const HttpRefusal& refusal, bool close);

// Where a screened request is answered.
enum class Lane {
  kLoop,    // on the event loop that read it: no store, or one register's read from a local store
  kReads,   // a read worker: reads of whole chains, batches, the health check, any read over the
            // network
  kWrites,  // the write lane, whose threads take nothing else: a writer's call that writes
};

class Routes {
 public:
  Routes(const RpcDispatcher& dispatcher, HealthCheck health, CallMetrics& metrics,
         bool readsOnLoop);

  // Where the request runs, and whether it counts against the budget of
  // answers: every read does, except one register's read by a caller that
  // may write (its answer is small, and the back office must get through).
  struct Placement {
    Lane lane = Lane::kLoop;
    bool budgeted = false;
  };
  Placement Place(Route route, std::string_view body, CallerClass caller) const;

  // The answer to a read refused while the answers held fill their budget;
  // the exchange records it as one call refused.
  static Answer Busy(Exchange& exchange);

  // Answers a screened request; fills what the exchange learns of it. Never
  // throws: an unexpected failure is answered 500 and logged.
  Answer Run(Route route, const std::string& body, Exchange& exchange) const;

 private:
  Answer Call(const std::string& body, Exchange& exchange) const;
  Answer Health() const;

  const RpcDispatcher& dispatcher_;
  const bool readsOnLoop_;
  HealthCheck health_;
  CallMetrics& metrics_;
};

}  // namespace totem::server
