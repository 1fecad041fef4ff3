#include "service/remote_parametros_client.h"

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
  return connection_.Call(kGetVerifPar.name, {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)});
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

}  // namespace totem::service
