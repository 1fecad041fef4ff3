#include "tests/support/remote_client.h"

#include "service/parametros_client.h"

namespace totem::test {

RemoteClient::RemoteClient(const std::string& host, int port, std::chrono::milliseconds timeout) {
  connection.SetServerName(std::string(contract::kServerName));
  connection.SetHost(host);
  connection.SetPort(port);
  if (timeout.count() > 0) connection.SetTimeout(timeout);
}

ResultEnvelope RemoteClient::SaveNumbered(const std::string& filial, const std::string& caixa,
                                          int n) {
  std::string tipo = "2", grupo, exiMsg = "S", diaIni = "1", diaFin = "28", seg = std::to_string(n),
              menIni = "#" + std::to_string(n), menAdi = "Carga", selLoja = "N", infClie = "N",
              menCon = "Consumidor " + std::to_string(n);
  service::ParametrosRefs refs{&tipo,   &grupo,  &exiMsg,  &diaIni,  &diaFin, &seg,
                               &menIni, &menAdi, &selLoja, &infClie, &menCon};
  return rpc.setUpdParametros(filial, caixa, refs);
}

}  // namespace totem::test
