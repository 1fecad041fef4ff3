#pragma once
// The remote data module (platform/parametros_contract.h): its methods, each
// answering a result envelope. Refusals and store failures come back as error
// envelopes; nothing here throws for bad input. A branch or register beyond
// the caller's token's reach is the one exception: it throws OutOfReach, for
// the dispatcher to refuse the call as forbidden; the lists leave out what
// the token does not reach.
#include "server/domain/token_reach.h"
#include "server/store/store.h"

#include "platform/parametros_contract.h"
#include "platform/result_envelope.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <vector>

namespace totem::server {

// The name the module is handed out under, as the contract gives it.
inline const std::string kServerName(contract::kServerName);

// Who is calling, as the HTTP front established it; kept with every save.
struct Caller {
  std::string token;      // name of the token presented; empty when the server requires none
  std::string address;    // the client's IP address
  bool readOnly = false;  // the token may only read
  TokenReach reach = {};  // the branches and registers the token reaches
};

class ParametrosModule {
 public:
  explicit ParametrosModule(Store& store) : store_(store) {}

  // The branches the caller reaches, whole or through one of their registers.
  ResultEnvelope GetFilial(const Caller& caller = {});
  // The registers the caller reaches.
  ResultEnvelope GetConfCaixa(const Caller& caller = {});
  ResultEnvelope GetPesqGrupProd();
  // The register's record; a packet without rows when it has none, when the
  // register is unknown or its code empty (a branch without registers).
  ResultEnvelope GetCarregaPar(const std::string& cdFilial, const std::string& cdCaixa,
                               const Caller& caller = {});
  // The register's key, or CAIXA_N when it does not exist.
  ResultEnvelope GetVerifPar(const std::string& cdFilial, const std::string& cdCaixa,
                             const Caller& caller = {});
  // Branch code, register code, then the eleven values in the contract's
  // order (contract::kRecord).
  // Inserts or updates the record and appends the save, with its caller and
  // the values before and after, to the register's history, all in one
  // transaction; or writes nothing and answers the first rule broken.
  ResultEnvelope SetUpdParametros(const std::vector<std::string>& args, const Caller& caller = {});

  // At most nrLimite (1..500) of the register's saves numbered below
  // nrAntesDe (empty: from the newest), newest first, each with the values
  // it changed.
  ResultEnvelope GetHistParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                   const std::string& nrLimite, const std::string& nrAntesDe,
                                   const Caller& caller = {});
  // What copying the register's stored record to each destination (a list
  // of [branch, register] pairs) would change. Writes nothing.
  ResultEnvelope GetCopiaPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                const nlohmann::json& destinos, const Caller& caller = {});
  // Copies the record to every destination in one transaction, all or
  // nothing; each destination it changes gets a history row naming the
  // source. Answers how many changed and how many were equal already.
  ResultEnvelope SetCopiaParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                    const nlohmann::json& destinos, const Caller& caller = {});

  // What putting the register back to the values it had right after save
  // nrGravacao (0: before its first save) would change. Writes nothing.
  ResultEnvelope GetRestauraPrevia(const std::string& cdFilial, const std::string& cdCaixa,
                                   const std::string& nrGravacao, const Caller& caller = {});
  // Puts it back as one new save naming the save restored, with the checks
  // of a save; answers the new save's number.
  ResultEnvelope SetRestauraParametros(const std::string& cdFilial, const std::string& cdCaixa,
                                       const std::string& nrGravacao, const Caller& caller = {});
  // Per destination of copy idCopia, whether undoing it would put it back
  // (its last save is still the copy) or leave it alone. Writes nothing.
  ResultEnvelope GetDesfazCopiaPrevia(const std::string& idCopia, const Caller& caller = {});
  // Puts back, in one transaction, every destination whose last save is
  // still the copy, each as a new save naming it; answers how many were
  // put back and how many left alone.
  ResultEnvelope SetDesfazCopia(const std::string& idCopia, const Caller& caller = {});

  // The store's commit stamp (Store::Stamp): what a read answered stays
  // the answer while it is unchanged.
  std::optional<CommitStamp> Stamp() const { return store_.Stamp(); }

 private:
  // A store failure is logged with its detail and reported to the user with
  // a stable code and a message that reveals nothing of the database.
  template <class Body>
  static ResultEnvelope Guarded(const char* method, Body&& body) {
    try {
      return body();
    } catch (const StoreError& error) {
      LogStoreFailure(method, error);
      return StoreFailure();
    }
  }
  static void LogStoreFailure(const char* method, const StoreError& error);
  static ResultEnvelope StoreFailure();

  Store& store_;
};

}  // namespace totem::server
