#include "server/domain/parametros_module.h"

#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametro_save.h"
#include "server/log/server_log.h"

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

ResultEnvelope ParametrosModule::GetFilial() {
  return Guarded("getFilial", [&] { return ResultEnvelope::Success(FilialPacket(store_.ListFiliais())); });
}

ResultEnvelope ParametrosModule::GetConfCaixa() {
  return Guarded("getConfCaixa", [&] { return ResultEnvelope::Success(CaixaPacket(store_.ListCaixas())); });
}

ResultEnvelope ParametrosModule::GetPesqGrupProd() {
  return Guarded("getPesqGrupProd", [&] { return ResultEnvelope::Success(GrupoPacket(store_.ListGrupos())); });
}

ResultEnvelope ParametrosModule::GetCarregaPar(const std::string& cdFilial, const std::string& cdCaixa) {
  return Guarded("getCarregaPar", [&] {
    return ResultEnvelope::Success(ParametroPacket(store_.LoadParametro(cdFilial, cdCaixa)));
  });
}

ResultEnvelope ParametrosModule::GetVerifPar(const std::string& cdFilial, const std::string& cdCaixa) {
  return Guarded("getVerifPar", [&] {
    if (!store_.CaixaExists(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    return ResultEnvelope::Success(VerifPacket(cdFilial, cdCaixa));
  });
}

ResultEnvelope ParametrosModule::SetUpdParametros(const std::vector<std::string>& args,
                                                  const Caller& caller) {
  const ParametroTotem parametro = FromArgs(args);
  if (auto refused = CheckValues(parametro)) return Refused(*refused);
  return Guarded("setUpdParametros", [&] {
    auto transaction = store_.BeginWrite();
    const SaveOutcome outcome = SaveParametro(*transaction, parametro, caller, WhenUnchanged::kRecord);
    if (outcome.refusal) return Refused(*outcome.refusal);
    transaction->Commit();
    return ResultEnvelope::Success();
  });
}

}  // namespace totem::server
