#include "server/domain/parametros_module.h"

#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametro_save.h"
#include "server/log/server_log.h"

#include <algorithm>

namespace totem::server {
namespace {

ResultEnvelope Refused(const Refusal& refusal) {
  return ResultEnvelope::Failure(refusal.code, refusal.message);
}

ParametroTotem FromArgs(const std::vector<std::string>& args) {
  ParametroTotem p;
  p.cdFilial = args.at(0);
  p.cdCaixa = args.at(1);
  for (std::size_t i = 0; i < p.values.size(); ++i) p.values[i] = args.at(2 + i);
  return p;
}

}  // namespace

void ParametrosModule::LogStoreFailure(const char* method, const StoreError& error) {
  LogError(std::string(method) + ": falha na base de dados: " + error.what());
}

ResultEnvelope ParametrosModule::StoreFailure() { return Refused(FalhaBase()); }

ResultEnvelope ParametrosModule::GetFilial(const Caller& caller) {
  return Guarded("getFilial", [&] {
    auto filiais = store_.ListFiliais();
    filiais.erase(
        std::remove_if(filiais.begin(), filiais.end(),
                       [&](const Filial& f) { return !caller.reach.Reaches(f.cdFilial); }),
        filiais.end());
    return ResultEnvelope::Success(FilialPacket(std::move(filiais)));
  });
}

ResultEnvelope ParametrosModule::GetConfCaixa(const Caller& caller) {
  return Guarded("getConfCaixa", [&] {
    auto caixas = store_.ListCaixas();
    caixas.erase(std::remove_if(
                     caixas.begin(), caixas.end(),
                     [&](const Caixa& c) { return !caller.reach.Reaches(c.cdFilial, c.cdCaixa); }),
                 caixas.end());
    return ResultEnvelope::Success(CaixaPacket(std::move(caixas)));
  });
}

ResultEnvelope ParametrosModule::GetPesqGrupProd() {
  return Guarded("getPesqGrupProd",
                 [&] { return ResultEnvelope::Success(GrupoPacket(store_.ListGrupos())); });
}

ResultEnvelope ParametrosModule::GetCarregaPar(const std::string& cdFilial,
                                               const std::string& cdCaixa, const Caller& caller) {
  // The screen loads an empty register code for a branch it shows without
  // registers (or for none at all): that reads nothing of any register.
  if (!cdCaixa.empty()) RequireReach(caller, cdFilial, cdCaixa);
  return Guarded("getCarregaPar", [&] {
    return ResultEnvelope::Success(ParametroPacket(store_.LoadParametro(cdFilial, cdCaixa)));
  });
}

ResultEnvelope ParametrosModule::GetVerifPar(const std::string& cdFilial,
                                             const std::string& cdCaixa, const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  return Guarded("getVerifPar", [&] {
    if (!store_.CaixaExists(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    return ResultEnvelope::Success(VerifPacket(cdFilial, cdCaixa));
  });
}

ResultEnvelope ParametrosModule::SetUpdParametros(const std::vector<std::string>& args,
                                                  const Caller& caller) {
  const ParametroTotem parametro = FromArgs(args);
  RequireReach(caller, parametro.cdFilial, parametro.cdCaixa);
  if (auto refused = CheckValues(parametro)) return Refused(*refused);
  return Guarded("setUpdParametros", [&] {
    auto transaction = store_.BeginWrite();
    const SaveOutcome outcome =
        SaveParametro(*transaction, parametro, caller, WhenUnchanged::kRecord);
    if (outcome.refusal) return Refused(*outcome.refusal);
    transaction->Commit();
    return ResultEnvelope::Success();
  });
}

}  // namespace totem::server
