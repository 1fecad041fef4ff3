#include "server/rpc/rpc_dispatch.h"

#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/log/server_log.h"

#include "platform/json_rpc.h"

#include <algorithm>
#include <variant>

namespace totem::server {

std::string_view OutcomeName(CallSummary::Outcome outcome) {
  switch (outcome) {
    case CallSummary::Outcome::kOk: return "ok";
    case CallSummary::Outcome::kRefused: return "refused";
    case CallSummary::Outcome::kFault: return "fault";
    case CallSummary::Outcome::kError: return "error";
  }
  return "error";
}

RpcDispatcher::RpcDispatcher(ParametrosModule& module) {
  using Args = const std::vector<std::string>&;
  using Who = const Caller&;
  methods_ = {
      {"getFilial", 0, false, [&module](Args, Who) { return module.GetFilial(); }},
      {"getConfCaixa", 0, false, [&module](Args, Who) { return module.GetConfCaixa(); }},
      {"getPesqGrupProd", 0, false, [&module](Args, Who) { return module.GetPesqGrupProd(); }},
      {"getCarregaPar", 2, true, [&module](Args a, Who) { return module.GetCarregaPar(a[0], a[1]); }},
      {"getVerifPar", 2, true, [&module](Args a, Who) { return module.GetVerifPar(a[0], a[1]); }},
      {"setUpdParametros", 2 + kSaveOrder.size(), true,
       [&module](Args a, Who caller) { return module.SetUpdParametros(a, caller); }},
  };
}

std::vector<std::string> RpcDispatcher::MethodNames() const {
  std::vector<std::string> names;
  for (const auto& m : methods_) names.push_back(m.name);
  return names;
}

std::string RpcDispatcher::Handle(std::string_view body) const {
  CallSummary summary;
  return Handle(body, Caller{}, summary);
}

std::string RpcDispatcher::Handle(std::string_view body, const Caller& caller, CallSummary& summary) const {
  using Outcome = CallSummary::Outcome;
  summary = CallSummary{};
  auto fault = [&summary](const rpc::Fault& f) {
    summary.outcome = f.code == rpc::kInternalError ? Outcome::kError : Outcome::kFault;
    summary.code = std::to_string(f.code);
    return rpc::EncodeFault(f);
  };

  auto parsed = rpc::ParseRequest(body);
  if (auto* parseFault = std::get_if<rpc::Fault>(&parsed)) return fault(*parseFault);
  const auto& request = std::get<rpc::Request>(parsed);

  auto method = std::find_if(methods_.begin(), methods_.end(),
                             [&](const Method& m) { return m.name == request.method; });
  if (method == methods_.end())
    return fault({rpc::kMethodNotFound, "Método desconhecido: " + request.method, request.id});
  summary.method = method->name;
  if (request.params.size() != method->arity)
    return fault({rpc::kInvalidParams,
                  method->name + " espera " + std::to_string(method->arity) +
                      " parâmetros e recebeu " + std::to_string(request.params.size()),
                  request.id});
  if (method->takesRegister) {
    summary.cdFilial = request.params[0];
    summary.cdCaixa = request.params[1];
  }
  try {
    ResultEnvelope envelope = method->call(request.params, caller);
    if (envelope.ok) summary.outcome = Outcome::kOk;
    else summary.outcome = envelope.code == refusal::kFalhaBase ? Outcome::kError : Outcome::kRefused;
    summary.code = envelope.ok ? std::string() : envelope.code;
    // The server leaves every argument as it came, by-reference ones included.
    return rpc::EncodeResult(request.id, envelope, request.params);
  } catch (const std::exception& error) {
    LogLine(method->name + ": erro interno: " + error.what());
    return fault({rpc::kInternalError, "Erro interno do servidor", request.id});
  }
}

}  // namespace totem::server
