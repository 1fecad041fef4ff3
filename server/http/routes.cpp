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
  return nlohmann::json{{"error", message}}.dump(-1, ' ', false,
                                                 nlohmann::json::error_handler_t::replace);
}

Answer RefusalAnswer(const HttpRefusal& refusal, bool close) {
  return Answer{refusal.status, ErrorBody(refusal.message), kJsonType, refusal.allow, close};
}

Routes::Routes(const RpcDispatcher& dispatcher, HealthCheck health, CallMetrics& metrics,
               bool readsOnLoop)
    : dispatcher_(dispatcher),
      readsOnLoop_(readsOnLoop),
      health_(std::move(health)),
      metrics_(metrics) {}

// Only a caller that may write reaches the write lane, so no reader can
// queue ahead of a save there; a reader's call that writes is refused on a
// read worker. The health check opens a write transaction: never on a loop.
Routes::Placement Routes::Place(Route route, std::string_view body, CallerClass caller) const {
  switch (route) {
    case Route::kHealth:
      return {Lane::kReads, false};
    case Route::kCall:
      break;
    default:
      return {Lane::kLoop, false};
  }
  const bool writer = caller == CallerClass::kWriter;
  switch (dispatcher_.Weigh(body)) {
    case CallWeight::kWrite:
      return writer ? Placement{Lane::kWrites, false} : Placement{Lane::kReads, true};
    case CallWeight::kHeavy:
      return {Lane::kReads, true};
    case CallWeight::kLight:
      break;
  }
  return {readsOnLoop_ ? Lane::kLoop : Lane::kReads, !writer};
}

Answer Routes::Busy(Exchange& exchange) {
  exchange.isCall = true;
  exchange.calls.assign(1, CallSummary{});
  exchange.calls[0].outcome = CallSummary::Outcome::kFault;
  exchange.calls[0].code = std::to_string(rpc::kServerBusy);
  Answer answer{
      503,
      rpc::EncodeFault(
          {rpc::kServerBusy,
           "Servidor ocupado: respostas demais em trânsito; tente de novo em instantes.", nullptr}),
      kJsonType};
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
      case Route::kCall:
        return Call(body, exchange);
      case Route::kHealth:
        exchange.quiet = true;
        return Health();
      case Route::kMetrics:
        exchange.quiet = true;
        return Answer{200, metrics_.Render(), kMetricsType};
      case Route::kKiosk:
        break;  // answered by the kiosk hub
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
  RpcAnswer answer = dispatcher_.Handle(
      body, Caller{exchange.token, exchange.client, exchange.readOnly, exchange.reach});
  exchange.calls = std::move(answer.calls);
  // A token that may only read asked for a write, or a token named a branch
  // or register beyond its reach: the JSON-RPC error says which, the status
  // says it to HTTP clients and proxies.
  if (answer.forbidden)
    return Answer{403,
                  answer.body.empty() ? ErrorBody("Este token não permite a chamada.")
                                      : std::move(answer.body),
                  kJsonType};
  // The connection ends after a 204. A 204 carries no body and, by the
  // standard, no Content-Length; Python's http.client (under xmlrpc's
  // transport and the JSON-RPC libraries built on it) reads only the body
  // of a 200, and holds any other answer it did not read as still pending
  // on its connection: the next call on it then fails (ResponseNotReady)
  // after it was sent, so it ran here while the client saw an error.
  // "Connection: close" has such a client drop the connection with the 204
  // and open a new one for its next call; every other client only pays a
  // new connection after a body of notifications alone.
  if (answer.body.empty()) return Answer{204, {}, nullptr, {}, true};
  return Answer{200, std::move(answer.body), kJsonType};
}

// Healthy means every method can run, saves included. Otherwise the first
// word says which part fails, for monitors; the rest of the line why, for
// the operator.
Answer Routes::Health() const {
  const HealthReport health = health_ ? health_() : HealthReport{};
  const auto failing = [&health](const char* what) {
    std::string reason = health.reason;
    for (char& c : reason)
      if (c == '\n' || c == '\r') c = ' ';
    return Answer{503, std::string(what) + (reason.empty() ? "" : ": " + reason) + "\n", kTextType};
  };
  switch (health.state) {
    case StoreHealth::kWritable:
      return Answer{200, "ok\n", kTextType};
    case StoreHealth::kReadOnly:
      return failing("read-only");
    case StoreHealth::kUnavailable:
      break;
  }
  return failing("unavailable");
}

}  // namespace totem::server
