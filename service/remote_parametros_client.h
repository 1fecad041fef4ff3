#pragma once
// The parameter client over a socket connection: late-bound calls by method
// name with text arguments (and one list, the copy's destinations).
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
  ResultEnvelope getHistParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                   const std::string& nrLimite,
                                   const std::string& nrAntesDe) override;
  ResultEnvelope getCopiaPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                const Destinos& destinos) override;
  ResultEnvelope setCopiaParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                    const Destinos& destinos) override;
  ResultEnvelope getRestauraPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                   const std::string& nrGravacao) override;
  ResultEnvelope setRestauraParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                       const std::string& nrGravacao) override;
  ResultEnvelope getDesfazCopiaPrevia(const std::string& idCopia) override;
  ResultEnvelope setDesfazCopia(const std::string& idCopia) override;

 private:
  SocketConnection& connection_;
};

}  // namespace totem::service
