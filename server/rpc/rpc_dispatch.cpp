#include "server/rpc/rpc_dispatch.h"

#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/log/server_log.h"

#include "platform/json_rpc.h"
#include "platform/parametros_contract.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <variant>

namespace totem::server {
namespace {

using Outcome = CallSummary::Outcome;

std::string Fault(const rpc::Fault& fault, CallSummary& summary) {
  summary.outcome = fault.code == rpc::kInternalError ? Outcome::kError : Outcome::kFault;
  summary.code = std::to_string(fault.code);
  return rpc::EncodeFault(fault);
}

// A fault answering request, under its id as sent.
rpc::Fault FaultOf(const rpc::Request& request, int code, std::string message) {
  return rpc::Fault{code, std::move(message), request.id, false, request.idText};
}

}  // namespace

std::string_view OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kOk:
      return "ok";
    case Outcome::kRefused:
      return "refused";
    case Outcome::kFault:
      return "fault";
    case Outcome::kError:
      return "error";
  }
  return "error";
}

RpcDispatcher::RpcDispatcher(ParametrosModule& module) : module_(module) {
  using Args = const std::vector<std::string>&;
  using Who = const Caller&;
  using namespace contract;
  using List = const nlohmann::json&;
  using Call = std::function<ResultEnvelope(Args, List, Who)>;
  auto method = [](const contract::Method& m, Call call, bool kept = false) {
    return Method{std::string(m.name), m.arity, m.takesRegister, m.lastIsList, m.writes, kept,
                  std::move(call)};
  };
  methods_ = {
      method(kGetFilial, [&module](Args, List, Who caller) { return module.GetFilial(caller); }),
      method(kGetConfCaixa,
             [&module](Args, List, Who caller) { return module.GetConfCaixa(caller); }),
      method(kGetPesqGrupProd, [&module](Args, List, Who) { return module.GetPesqGrupProd(); }),
      method(
          kGetCarregaPar,
          [&module](Args a, List, Who caller) { return module.GetCarregaPar(a[0], a[1], caller); },
          true),
      method(
          kGetVerifPar,
          [&module](Args a, List, Who caller) { return module.GetVerifPar(a[0], a[1], caller); },
          true),
      method(kSetUpdParametros,
             [&module](Args a, List, Who caller) { return module.SetUpdParametros(a, caller); }),
      method(kGetHistParametros,
             [&module](Args a, List, Who caller) {
               return module.GetHistParametros(a[0], a[1], a[2], a[3], caller);
             }),
      method(kGetCopiaPrevia,
             [&module](Args a, List list, Who caller) {
               return module.GetCopiaPrevia(a[0], a[1], list, caller);
             }),
      method(kSetCopiaParametros,
             [&module](Args a, List list, Who caller) {
               return module.SetCopiaParametros(a[0], a[1], list, caller);
             }),
      method(kGetRestauraPrevia,
             [&module](Args a, List, Who caller) {
               return module.GetRestauraPrevia(a[0], a[1], a[2], caller);
             }),
      method(kSetRestauraParametros,
             [&module](Args a, List, Who caller) {
               return module.SetRestauraParametros(a[0], a[1], a[2], caller);
             }),
      method(kGetDesfazCopiaPrevia,
             [&module](Args a, List, Who caller) {
               return module.GetDesfazCopiaPrevia(a[0], caller);
             }),
      method(kSetDesfazCopia,
             [&module](Args a, List, Who caller) { return module.SetDesfazCopia(a[0], caller); }),
  };
}

std::vector<std::string> RpcDispatcher::MethodNames() const {
  std::vector<std::string> names;
  for (const auto& m : methods_) names.push_back(m.name);
  return names;
}

CallWeight RpcDispatcher::Weigh(std::string_view body) const {
  if (body.find('\\') != std::string_view::npos) return CallWeight::kWrite;
  auto names = [body](const Method& m) {
    // The name as a JSON text: "getFilial", quotes included.
    const std::string_view name = m.name;
    for (auto at = body.find(name); at != std::string_view::npos; at = body.find(name, at + 1))
      if (at > 0 && body[at - 1] == '"' && at + name.size() < body.size() &&
          body[at + name.size()] == '"')
        return true;
    return false;
  };
  CallWeight weight = CallWeight::kLight;
  for (const Method& m : methods_) {
    if (!names(m)) continue;
    if (m.writes) return CallWeight::kWrite;
    if (!m.takesRegister || m.lastIsList) weight = CallWeight::kHeavy;
  }
  const auto first = body.find_first_not_of(" \t\r\n");
  if (first != std::string_view::npos && body[first] == '[') weight = CallWeight::kHeavy;
  return weight;
}

std::string RpcDispatcher::Handle(std::string_view body) const {
  return Handle(body, Caller{}).body;
}

RpcAnswer RpcDispatcher::Handle(std::string_view body, const Caller& caller) const {
  RpcAnswer answer;
  auto refuseWhole = [&answer](const rpc::Fault& fault) {
    answer.calls.resize(1);
    answer.body = Fault(fault, answer.calls[0]);
    return answer;
  };
  // One call: run reports its answer (none for a notification).
  auto answerOne = [&answer](auto run) {
    answer.calls.resize(1);
    answer.body = run(answer.calls[0]).value_or(std::string());
    answer.forbidden = answer.calls[0].code == std::to_string(rpc::kForbidden);
    return std::move(answer);
  };
  // Most bodies are one plain call, read without building a document.
  if (auto plain = rpc::ReadPlainRequest(body))
    return answerOne([&](CallSummary& summary) { return Call(*plain, caller, summary); });
  auto parsed = rpc::ParseBody(body);
  if (auto* fault = std::get_if<rpc::Fault>(&parsed)) return refuseWhole(*fault);
  const rpc::Body& request = std::get<rpc::Body>(parsed);
  const nlohmann::json& value = request.value;
  if (!value.is_array())
    return answerOne(
        [&](CallSummary& summary) { return Run(value, request.IdText(0), caller, summary); });
  if (value.empty()) return refuseWhole({rpc::kInvalidRequest, "Lote JSON-RPC vazio", nullptr});
  if (value.size() > kMaxBatch)
    return refuseWhole({rpc::kInvalidRequest,
                        "Lote JSON-RPC com " + std::to_string(value.size()) +
                            " chamadas; o limite é " + std::to_string(kMaxBatch),
                        nullptr});
  // Answered in the order of the requests, notifications left out.
  answer.calls.resize(value.size());
  std::string responses;
  for (std::size_t i = 0; i < value.size(); ++i) {
    // Past the cap on a batch's answer the remaining calls are not run.
    const bool full = responses.size() > kMaxBatchAnswer;
    auto response = Run(value[i], request.IdText(i), caller, answer.calls[i], full);
    if (!response) continue;
    responses += responses.empty() ? "[" : ",";
    responses += *response;
  }
  if (!responses.empty()) answer.body = responses + "]";
  answer.forbidden = std::any_of(
      answer.calls.begin(), answer.calls.end(),
      [](const CallSummary& call) { return call.code == std::to_string(rpc::kForbidden); });
  return answer;
}

std::optional<std::string> RpcDispatcher::Run(const nlohmann::json& value, std::string_view idText,
                                              const Caller& caller, CallSummary& summary,
                                              bool full) const {
  auto request = rpc::ReadRequest(value, idText);
  if (auto* fault = std::get_if<rpc::Fault>(&request)) {
    std::string encoded = Fault(*fault, summary);
    if (fault->notification) return std::nullopt;
    return encoded;
  }
  const auto& call = std::get<rpc::Request>(request);
  if (full) {
    std::string encoded = Fault(
        FaultOf(call, rpc::kAnswerTooLarge,
                "A resposta do lote passou de " + std::to_string(kMaxBatchAnswer / (1024 * 1024)) +
                    " MiB; envie esta chamada em outro lote."),
        summary);
    if (call.notification) return std::nullopt;
    return encoded;
  }
  return Call(call, caller, summary);
}

std::optional<std::string> RpcDispatcher::Call(const rpc::Request& request, const Caller& caller,
                                               CallSummary& summary) const {
  auto answer = [&request](std::string encoded) -> std::optional<std::string> {
    if (request.notification) return std::nullopt;
    return encoded;
  };
  auto method = std::find_if(methods_.begin(), methods_.end(),
                             [&](const Method& m) { return m.name == request.method; });
  if (method == methods_.end())
    return answer(Fault(
        FaultOf(request, rpc::kMethodNotFound, "Método desconhecido: " + request.method), summary));
  summary.method = method->name;
  if (caller.readOnly && method->writes)
    return answer(
        Fault(FaultOf(request, rpc::kForbidden,
                      "O token " + caller.token + " só pode ler; " + method->name + " grava."),
              summary));
  if (request.params.size() != method->arity)
    return answer(
        Fault(FaultOf(request, rpc::kInvalidParams,
                      method->name + " espera " + std::to_string(method->arity) +
                          " parâmetros e recebeu " + std::to_string(request.params.size())),
              summary));
  for (std::size_t i = 0; i < method->arity; ++i) {
    const bool wantsList = method->lastIsList && i + 1 == method->arity;
    if (request.lists[i].has_value() != wantsList)
      return answer(Fault(FaultOf(request, rpc::kInvalidParams,
                                  method->name + ": o parâmetro " + std::to_string(i + 1) +
                                      " deve ser " + (wantsList ? "uma lista" : "texto")),
                          summary));
  }
  if (method->takesRegister) {
    summary.cdFilial = request.params[0];
    summary.cdCaixa = request.params[1];
  }
  // The stamp is read before the call and again after it: equal, nothing
  // was committed meanwhile and the answer is the database's as of it.
  const std::optional<CommitStamp> before =
      method->kept && caller.reach.All() ? module_.Stamp() : std::nullopt;
  if (!before) return answer(Ran(*method, request, caller, summary));
  std::string key = AnswerCache::Key(method->name, request.params);
  if (auto tail = kept_.Find(*before, key)) {
    summary.outcome = Outcome::kOk;
    return answer(rpc::EncodeResultWithTail(request, *tail));
  }
  std::string tail;
  std::string whole = Ran(*method, request, caller, summary, &tail);
  if (!tail.empty() && module_.Stamp() == before)
    kept_.Keep(*before, std::move(key), std::move(tail));
  return answer(std::move(whole));
}

std::string RpcDispatcher::Ran(const Method& method, const rpc::Request& request,
                               const Caller& caller, CallSummary& summary,
                               std::string* tail) const {
  try {
    static const nlohmann::json kNoList;
    const nlohmann::json& list = method.lastIsList ? *request.lists.back() : kNoList;
    ResultEnvelope envelope = method.call(request.params, list, caller);
    if (envelope.ok)
      summary.outcome = Outcome::kOk;
    else
      summary.outcome = envelope.code == refusal::kFalhaBase ? Outcome::kError : Outcome::kRefused;
    summary.code = envelope.ok ? std::string() : envelope.code;
    // The server leaves every argument as it came, by-reference ones included.
    if (!tail || !envelope.ok) return rpc::EncodeResult(request, envelope);
    *tail = rpc::EncodeResultTail(request, envelope);
    return rpc::EncodeResultWithTail(request, *tail);
  } catch (const OutOfReach& refused) {
    // Refused like a write by a token that may only read: the call ran no
    // further than naming a branch or register its token does not reach.
    return Fault(FaultOf(request, rpc::kForbidden, refused.what()), summary);
  } catch (const std::exception& error) {
    LogError(method.name + ": erro interno: " + error.what());
    return Fault(FaultOf(request, rpc::kInternalError, "Erro interno do servidor"), summary);
  }
}

}  // namespace totem::server
