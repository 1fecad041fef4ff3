#include "server/http/routes.h"

#include "server/domain/parametros_module.h"
#include "server/log/server_log.h"

#include "platform/json_rpc.h"

#include <nlohmann/json.hpp>

namespace totem::server {
namespace {

constexpr const char* kTextType = "text/plain; charset=utf-8";
constexpr const char* kMetricsType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace

std::string ErrorBody(const std::string& message) {
  return nlohmann::json{{"error", message}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

Answer RefusalAnswer(const HttpRefusal& refusal, bool close) {
  return Answer{refusal.status, ErrorBody(refusal.message), kJsonType, refusal.allow, close};
}

Routes::Routes(const RpcDispatcher& dispatcher, HealthCheck health, CallMetrics& metrics, bool readsOnLoop)
    : dispatcher_(dispatcher), readsOnLoop_(readsOnLoop), health_(std::move(health)), metrics_(metrics) {}

// Only a caller that may write reaches the write lane, so no reader can
// queue ahead of a save there; a reader's call that writes is refused on a
// read worker. The health check opens a write transaction: never on a loop.
Lane Routes::LaneOf(Route route, std::string_view body, CallerClass caller) const {
  switch (route) {
    case Route::kHealth: return Lane::kReads;
    case Route::kCall: break;
    default: return Lane::kLoop;
  }
  switch (dispatcher_.Weigh(body)) {
    case CallWeight::kWrite: return caller == CallerClass::kWriter ? Lane::kWrites : Lane::kReads;
    case CallWeight::kHeavy: return Lane::kReads;
    case CallWeight::kLight: break;
  }
  return readsOnLoop_ ? Lane::kLoop : Lane::kReads;
}

Answer Routes::Busy() {
  Answer answer{503, rpc::EncodeFault({rpc::kServerBusy, "Servidor ocupado: respostas demais em trânsito; tente de novo em instantes.", nullptr}), kJsonType};
  answer.retryAfter = 1;
  return answer;
}

Answer Routes::Run(Route route, const std::string& body, Exchange& exchange) const {
  try {
    switch (route) {
      case Route::kModuleDescription: {
        nlohmann::json answer = {{"server", kServerName}, {"methods", dispatcher_.MethodNames()}};
        return Answer{200, answer.dump(), kJsonType};
      }
      case Route::kCall: return Call(body, exchange);
      case Route::kHealth: exchange.quiet = true; return Health();
      case Route::kMetrics: exchange.quiet = true; return Answer{200, metrics_.Render(), kMetricsType};
      case Route::kKiosk: break;  // answered by the kiosk hub
    }
  } catch (const std::exception& error) {
    LogError("erro ao atender " + exchange.httpMethod + " " + exchange.path + ": " + error.what());
  }
  if (exchange.isCall) {
    exchange.calls.assign(1, CallSummary{});
    exchange.calls[0].outcome = CallSummary::Outcome::kError;
    exchange.calls[0].code = "500";
  }
  return Answer{500, ErrorBody("Erro interno do servidor."), kJsonType};
}

// A body of notifications only is answered 204, without a body.
Answer Routes::Call(const std::string& body, Exchange& exchange) const {
  exchange.isCall = true;
  RpcAnswer answer =
      dispatcher_.Handle(body, Caller{exchange.token, exchange.client, exchange.readOnly, exchange.reach});
  exchange.calls = std::move(answer.calls);
  // A token that may only read asked for a write, or a token named a branch
  // or register beyond its reach: the JSON-RPC error says which, the status
  // says it to HTTP clients and proxies.
  if (answer.forbidden)
    return Answer{403, answer.body.empty() ? ErrorBody("Este token não permite a chamada.") : std::move(answer.body),
                  kJsonType};
  if (answer.body.empty()) return Answer{204, {}, nullptr};
  return Answer{200, std::move(answer.body), kJsonType};
}

// Healthy means every method can run, saves included.
Answer Routes::Health() const {
  const StoreHealth health = health_ ? health_() : StoreHealth::kWritable;
  switch (health) {
    case StoreHealth::kWritable: return Answer{200, "ok\n", kTextType};
    case StoreHealth::kReadOnly: return Answer{503, "read-only\n", kTextType};
    case StoreHealth::kUnavailable: break;
  }
  return Answer{503, "unavailable\n", kTextType};
}

}  // namespace totem::server
