#pragma once
// The remote data module (platform/parametros_contract.h): its methods, each
// answering a result envelope. Refusals and store failures come back as error
// envelopes; nothing here throws for bad input.
#include "server/store/store.h"

#include "platform/parametros_contract.h"
#include "platform/result_envelope.h"

#include <string>
#include <vector>

namespace totem::server {

// The name the module is handed out under, as the contract gives it.
inline const std::string kServerName(contract::kServerName);

// Who is calling, as the HTTP front established it; kept with every save.
struct Caller {
  std::string token;    // name of the token presented; empty when the server requires none
  std::string address;  // the client's IP address
};

class ParametrosModule {
 public:
  explicit ParametrosModule(Store& store) : store_(store) {}

  ResultEnvelope GetFilial();
  ResultEnvelope GetConfCaixa();
  ResultEnvelope GetPesqGrupProd();
  // The register's record; a packet without rows when it has none, when the
  // register is unknown or its code empty (a branch without registers).
  ResultEnvelope GetCarregaPar(const std::string& cdFilial, const std::string& cdCaixa);
  // The register's key, or CAIXA_N when it does not exist.
  ResultEnvelope GetVerifPar(const std::string& cdFilial, const std::string& cdCaixa);
  // Branch code, register code, then the eleven values in the contract's
  // order (contract::kRecord).
  // Inserts or updates the record and appends the save, with its caller and
  // the values before and after, to the register's history, all in one
  // transaction; or writes nothing and answers the first rule broken.
  ResultEnvelope SetUpdParametros(const std::vector<std::string>& args, const Caller& caller = {});

 private:
  template <class Body>
  ResultEnvelope Guarded(const char* method, Body&& body);

  Store& store_;
};

}  // namespace totem::server
