#include "service/remote_parametros_client.h"

#include <nlohmann/json.hpp>

namespace totem::service {

using namespace contract;

ResultEnvelope RemoteParametrosClient::getFilial() { return connection_.Call(kGetFilial.name, {}); }

ResultEnvelope RemoteParametrosClient::getConfCaixa() {
  return connection_.Call(kGetConfCaixa.name, {});
}

ResultEnvelope RemoteParametrosClient::getPesqGrupProd() {
  return connection_.Call(kGetPesqGrupProd.name, {});
}

ResultEnvelope RemoteParametrosClient::getCarregaPar(const std::string& cdFilial,
                                                     const std::string& cdCaixa) {
  return connection_.Call(kGetCarregaPar.name,
                          {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)});
}

ResultEnvelope RemoteParametrosClient::getVerifPar(const std::string& cdFilial,
                                                   const std::string& cdCaixa) {
  return connection_.Call(kGetVerifPar.name,
                          {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)});
}

ResultEnvelope RemoteParametrosClient::setUpdParametros(const std::string& cdFilial,
                                                        const std::string& cdCaixa,
                                                        const ParametrosRefs& values) {
  // Branch and register by value, then the eleven values by reference, in the
  // contract's order.
  std::vector<CallArg> args = {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)};
  for (std::string* value : values) args.push_back(CallArg::ByRef(*value));
  return connection_.Call(kSetUpdParametros.name, args);
}

ResultEnvelope RemoteParametrosClient::getHistParametros(const std::string& cdFilial,
                                                         const std::string& cdCaixa,
                                                         const std::string& nrLimite,
                                                         const std::string& nrAntesDe) {
  return connection_.Call(kGetHistParametros.name,
                          {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa),
                           CallArg::ByValue(nrLimite), CallArg::ByValue(nrAntesDe)});
}

namespace {

// The destinations as the wire carries them: [["0001","001"],...].
CallArg DestinosArg(const Destinos& destinos) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& [filial, caixa] : destinos) list.push_back({filial, caixa});
  return CallArg::Json(list.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace

ResultEnvelope RemoteParametrosClient::getCopiaPrevia(const std::string& cdFilial,
                                                      const std::string& cdCaixa,
                                                      const Destinos& destinos) {
  return connection_.Call(kGetCopiaPrevia.name, {CallArg::ByValue(cdFilial),
                                                 CallArg::ByValue(cdCaixa), DestinosArg(destinos)});
}

ResultEnvelope RemoteParametrosClient::setCopiaParametros(const std::string& cdFilial,
                                                          const std::string& cdCaixa,
                                                          const Destinos& destinos) {
  return connection_.Call(
      kSetCopiaParametros.name,
      {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa), DestinosArg(destinos)});
}

ResultEnvelope RemoteParametrosClient::getRestauraPrevia(const std::string& cdFilial,
                                                         const std::string& cdCaixa,
                                                         const std::string& nrGravacao) {
  return connection_.Call(
      kGetRestauraPrevia.name,
      {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa), CallArg::ByValue(nrGravacao)});
}

ResultEnvelope RemoteParametrosClient::setRestauraParametros(const std::string& cdFilial,
                                                             const std::string& cdCaixa,
                                                             const std::string& nrGravacao) {
  return connection_.Call(
      kSetRestauraParametros.name,
      {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa), CallArg::ByValue(nrGravacao)});
}

ResultEnvelope RemoteParametrosClient::getDesfazCopiaPrevia(const std::string& idCopia) {
  return connection_.Call(kGetDesfazCopiaPrevia.name, {CallArg::ByValue(idCopia)});
}

ResultEnvelope RemoteParametrosClient::setDesfazCopia(const std::string& idCopia) {
  return connection_.Call(kSetDesfazCopia.name, {CallArg::ByValue(idCopia)});
}

}  // namespace totem::service
