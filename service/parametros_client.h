#pragma once
// The remote methods of the remote data module (platform/parametros_contract.h).
// Each returns the result envelope untouched: deciding how a failure is shown
// is the business of the result checks, not of the client.
#include "platform/caixa_key.h"
#include "platform/parametros_contract.h"
#include "platform/result_envelope.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace totem::service {

// The eleven values of a parameter record in the order setUpdParametros
// takes them (contract::kRecord), each passed by reference: after the call
// each holds what the server left in it.
using ParametrosRefs = std::array<std::string*, contract::kRecord.size()>;

// Registers a copy goes to: branch and register codes.
using Destinos = std::vector<CaixaKey>;

class ParametrosClient {
 public:
  virtual ~ParametrosClient();

  virtual ResultEnvelope getFilial() = 0;
  virtual ResultEnvelope getConfCaixa() = 0;
  virtual ResultEnvelope getPesqGrupProd() = 0;
  virtual ResultEnvelope getCarregaPar(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  virtual ResultEnvelope getVerifPar(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  virtual ResultEnvelope setUpdParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                          const ParametrosRefs& values) = 0;
  // A register's saves, newest first: at most nrLimite saves numbered below
  // nrAntesDe (empty: from the newest).
  virtual ResultEnvelope getHistParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                           const std::string& nrLimite,
                                           const std::string& nrAntesDe) = 0;
  // What copying a register's record to the destinations would change;
  // writes nothing.
  virtual ResultEnvelope getCopiaPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                        const Destinos& destinos) = 0;
  // Copies the record to every destination, all or nothing.
  virtual ResultEnvelope setCopiaParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                            const Destinos& destinos) = 0;
  // What putting a register back to the values of save nrGravacao would
  // change; writes nothing. Then doing it, as one new save.
  virtual ResultEnvelope getRestauraPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                           const std::string& nrGravacao) = 0;
  virtual ResultEnvelope setRestauraParametros(const std::string& cdFilial,
                                               const std::string& cdCaixa,
                                               const std::string& nrGravacao) = 0;
  // What undoing copy idCopia would do at each destination; writes nothing.
  // Then doing it, all or nothing.
  virtual ResultEnvelope getDesfazCopiaPrevia(const std::string& idCopia) = 0;
  virtual ResultEnvelope setDesfazCopia(const std::string& idCopia) = 0;
};

}  // namespace totem::service
