#include "service/remote_parametros_client.h"

namespace totem::service {

ResultEnvelope RemoteParametrosClient::getFilial() { return connection_.Call("getFilial", {}); }

ResultEnvelope RemoteParametrosClient::getConfCaixa() {
  return connection_.Call("getConfCaixa", {});
}

ResultEnvelope RemoteParametrosClient::getPesqGrupProd() {
  return connection_.Call("getPesqGrupProd", {});
}

ResultEnvelope RemoteParametrosClient::getCarregaPar(const std::string& cdFilial,
                                                     const std::string& cdCaixa) {
  return connection_.Call("getCarregaPar", {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)});
}

ResultEnvelope RemoteParametrosClient::getVerifPar(const std::string& cdFilial,
                                                   const std::string& cdCaixa) {
  return connection_.Call("getVerifPar", {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa)});
}

ResultEnvelope RemoteParametrosClient::setUpdParametros(const std::string& cdFilial,
                                                        const std::string& cdCaixa,
                                                        const ParametrosRefs& v) {
  // Branch and register by value, then the eleven values by reference, in the
  // order the server's method declares them.
  return connection_.Call(
      "setUpdParametros",
      {CallArg::ByValue(cdFilial), CallArg::ByValue(cdCaixa), CallArg::ByRef(v.idExtrato),
       CallArg::ByRef(v.cdGrupProd), CallArg::ByRef(v.idExiMsg), CallArg::ByRef(v.diaIni),
       CallArg::ByRef(v.diaFin), CallArg::ByRef(v.segundos), CallArg::ByRef(v.menIni),
       CallArg::ByRef(v.menAdi), CallArg::ByRef(v.selLoja), CallArg::ByRef(v.idInfClieCai),
       CallArg::ByRef(v.menCon)});
}

}  // namespace totem::service
