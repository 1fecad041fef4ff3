#pragma once
// The parameter client over a socket connection: late-bound calls by method
// name with text arguments.
#include "platform/socket_connection.h"
#include "service/parametros_client.h"

namespace totem::service {

class RemoteParametrosClient : public ParametrosClient {
 public:
  // The connection stays owned by the caller (the form owns it).
  explicit RemoteParametrosClient(SocketConnection& connection) : connection_(connection) {}

  ResultEnvelope getFilial() override;
  ResultEnvelope getConfCaixa() override;
  ResultEnvelope getPesqGrupProd() override;
  ResultEnvelope getCarregaPar(const std::string& cdFilial, const std::string& cdCaixa) override;
  ResultEnvelope getVerifPar(const std::string& cdFilial, const std::string& cdCaixa) override;
  ResultEnvelope setUpdParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                  const ParametrosRefs& values) override;

 private:
  SocketConnection& connection_;
};

}  // namespace totem::service
