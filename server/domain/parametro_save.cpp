#include "server/domain/parametro_save.h"

#include "platform/column_names.h"
#include "server/domain/packet_layouts.h"
#include "server/log/server_log.h"

namespace totem::server {
namespace {

bool SameValues(const ParametroTotem& a, const ParametroTotem& b) { return a.values == b.values; }

}  // namespace

SaveOutcome SaveParametro(WriteTransaction& transaction, const ParametroTotem& parametro,
                          const Caller& caller, WhenUnchanged whenUnchanged) {
  // The checks against stored data run inside the write transaction, so
  // they still hold when it commits.
  if (!transaction.LockCaixa(parametro.cdFilial, parametro.cdCaixa)) return {CaixaNaoCadastrado()};
  if (NeedsGrupo(parametro) && !transaction.GrupoExists(parametro[contract::col::CDGRUPPROD]))
    return {GrupoNaoCadastrado()};
  GravacaoParametro gravacao;
  gravacao.antes = transaction.CurrentParametro(parametro.cdFilial, parametro.cdCaixa);
  if (whenUnchanged == WhenUnchanged::kSkip && gravacao.antes &&
      SameValues(*gravacao.antes, parametro))
    return {};
  transaction.UpsertParametro(parametro);
  // The history row goes in the save's own transaction: a save is never
  // committed without it, nor it without the save.
  gravacao.quando = UtcTimestamp();
  gravacao.token = caller.token;
  gravacao.cliente = caller.address;
  gravacao.depois = parametro;
  transaction.AppendGravacao(gravacao);
  return {std::nullopt, true};
}

}  // namespace totem::server
