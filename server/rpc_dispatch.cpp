#include "server/rpc_dispatch.h"

#include "server/packet_layouts.h"
#include "server/server_log.h"

#include "platform/json_rpc.h"

#include <algorithm>
#include <variant>

namespace totem::server {

RpcDispatcher::RpcDispatcher(ParametrosModule& module) {
  using Args = const std::vector<std::string>&;
  methods_ = {
      {"getFilial", 0, [&module](Args) { return module.GetFilial(); }},
      {"getConfCaixa", 0, [&module](Args) { return module.GetConfCaixa(); }},
      {"getPesqGrupProd", 0, [&module](Args) { return module.GetPesqGrupProd(); }},
      {"getCarregaPar", 2, [&module](Args a) { return module.GetCarregaPar(a[0], a[1]); }},
      {"getVerifPar", 2, [&module](Args a) { return module.GetVerifPar(a[0], a[1]); }},
      {"setUpdParametros", 2 + kSaveOrder.size(),
       [&module](Args a) { return module.SetUpdParametros(a); }},
  };
}

std::vector<std::string> RpcDispatcher::MethodNames() const {
  std::vector<std::string> names;
  for (const auto& m : methods_) names.push_back(m.name);
  return names;
}

std::string RpcDispatcher::Handle(std::string_view body) const {
  auto parsed = rpc::ParseRequest(body);
  if (auto* fault = std::get_if<rpc::Fault>(&parsed)) return rpc::EncodeFault(*fault);
  const auto& request = std::get<rpc::Request>(parsed);

  auto method = std::find_if(methods_.begin(), methods_.end(),
                             [&](const Method& m) { return m.name == request.method; });
  if (method == methods_.end())
    return rpc::EncodeFault(
        {rpc::kMethodNotFound, "Método desconhecido: " + request.method, request.id});
  if (request.params.size() != method->arity)
    return rpc::EncodeFault({rpc::kInvalidParams,
                             method->name + " espera " + std::to_string(method->arity) +
                                 " parâmetros e recebeu " + std::to_string(request.params.size()),
                             request.id});
  try {
    // The server leaves every argument as it came, by-reference ones included.
    return rpc::EncodeResult(request.id, method->call(request.params), request.params);
  } catch (const std::exception& error) {
    LogLine(method->name + ": erro interno: " + error.what());
    return rpc::EncodeFault({rpc::kInternalError, "Erro interno do servidor", request.id});
  }
}

}  // namespace totem::server
