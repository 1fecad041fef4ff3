#pragma once
// The six remote methods of the remote data module "Ksl80500.rdmParametrosToten".
// Each returns the result envelope untouched: deciding how a failure is shown
// is the business of the result checks, not of the client.
#include "platform/result_envelope.h"

#include <string>

namespace totem::service {

inline constexpr const char* kServerName = "Ksl80500.rdmParametrosToten";

// The eleven values of a parameter record as setUpdParametros sends them, in
// order, each passed by reference: after the call each holds what the server
// left in it.
struct ParametrosRefs {
  std::string& idExtrato;      // IDTIPEXTTOT
  std::string& cdGrupProd;     // CDGRUPPROD
  std::string& idExiMsg;       // IDEXIMSGSAL
  std::string& diaIni;         // NRDIAINITOT
  std::string& diaFin;         // NRDIAFINTOT
  std::string& segundos;       // NRSEGFECTOT
  std::string& menIni;         // DSMSGINITOT
  std::string& menAdi;         // DSMSGADITOT
  std::string& selLoja;        // IDSELLOJTOT
  std::string& idInfClieCai;   // IDINFCLIECAI
  std::string& menCon;         // DSMSGCONTOT
};

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
};

}  // namespace totem::service
