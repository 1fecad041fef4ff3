// Putting registers back: one register to the values it had right after an
// earlier save, or every destination of a copy to what it had before the
// copy. Each put-back is a new save in the history, naming what it undid,
// so the history stays a complete record that only grows.
#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametros_module.h"
#include "server/log/server_log.h"

#include "platform/parametros_contract.h"

#include <algorithm>
#include <map>
#include <variant>

namespace totem::server {
namespace {

ResultEnvelope Refused(const Refusal& refusal) {
  return ResultEnvelope::Failure(refusal.code, refusal.message);
}

// What a register is put back to: a record, or none (as before its first
// save, when it had none).
using Alvo = std::optional<ParametroTotem>;

Refusal GravacaoNaoEncontrada(const std::string& nr, const std::string& cdFilial,
                              const std::string& cdCaixa) {
  return {refusal::kGravacaoNaoEncontrada,
          "A gravação " + nr + " não está no histórico do caixa " + cdFilial + "/" + cdCaixa + "."};
}

Refusal CopiaNaoEncontrada(const std::string& id) {
  return {refusal::kCopiaNaoEncontrada, "A cópia " + id + " não está no histórico."};
}

// The register as it was right after save numero; save 0 is the register
// before its first save (what that save's values before say).
std::variant<Alvo, Refusal> AlvoDe(Store& store, const std::string& cdFilial,
                                   const std::string& cdCaixa, const std::string& nr) {
  const auto numero = ReadNumber(nr);
  if (!numero) return GravacaoNaoEncontrada(nr, cdFilial, cdCaixa);
  const long long wanted = std::max(*numero, 1LL);
  const auto found = store.ListGravacoesRecentes(cdFilial, cdCaixa, 1, wanted + 1);
  if (found.empty() || found[0].numero != wanted)
    return GravacaoNaoEncontrada(nr, cdFilial, cdCaixa);
  const GravacaoParametro& g = found[0];
  if (*numero == 0) return g.antes;
  if (g.semParametro) return Alvo();
  return Alvo(g.depois);
}

// The rules a save checks, for values going back into a register.
std::optional<Refusal> CheckAlvo(WriteTransaction& transaction, const Alvo& alvo) {
  if (!alvo) return std::nullopt;
  if (auto refused = CheckValues(*alvo)) return refused;
  if (NeedsGrupo(*alvo) && !transaction.GrupoExists((*alvo)[contract::col::CDGRUPPROD]))
    return GrupoNaoCadastrado();
  return std::nullopt;
}

// The history row of putting key back from atual to alvo.
GravacaoParametro PutBack(const CaixaKey& key, const Alvo& atual, const Alvo& alvo,
                          const Caller& caller, const std::string& quando) {
  GravacaoParametro g;
  g.quando = quando;
  g.token = caller.token;
  g.cliente = caller.address;
  g.antes = atual;
  g.depois = alvo.value_or(ParametroTotem{});
  g.depois.cdFilial = key.cdFilial;
  g.depois.cdCaixa = key.cdCaixa;
  g.semParametro = !alvo;
  return g;
}

// One row per value that putting back would change: the value's name, its
// text now and after (empty for a record that is not there).
template <class Row>
void ChangedValues(const Alvo& atual, const Alvo& alvo, Row&& row) {
  for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
    const std::string before = atual ? atual->values[i] : std::string();
    const std::string after = alvo ? alvo->values[i] : std::string();
    if (before != after || atual.has_value() != alvo.has_value())
      row(std::string(contract::kRecord[i].column.name), before, after);
  }
}

void RequireReachOfEach(const Caller& caller, const std::vector<CaixaKey>& keys) {
  for (const auto& [cdFilial, cdCaixa] : keys) RequireReach(caller, cdFilial, cdCaixa);
}

// The copy's destinations in the order copies lock registers.
std::vector<CaixaKey> Destinos(Store& store, long long idCopia) {
  auto keys = store.DestinosDaCopia(idCopia);
  std::sort(keys.begin(), keys.end());
  return keys;
}

}  // namespace

ResultEnvelope ParametrosModule::GetRestauraPrevia(const std::string& cdFilial,
                                                   const std::string& cdCaixa,
                                                   const std::string& nrGravacao,
                                                   const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  return Guarded("getRestauraPrevia", [&] {
    if (!store_.CaixaExists(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    auto alvo = AlvoDe(store_, cdFilial, cdCaixa, nrGravacao);
    if (auto* refused = std::get_if<Refusal>(&alvo)) return Refused(*refused);
    const auto carregado = store_.LoadParametro(cdFilial, cdCaixa);
    const Alvo atual = carregado ? Alvo(carregado->parametro) : Alvo();
    std::vector<PacketRow> rows;
    ChangedValues(atual, std::get<Alvo>(alvo),
                  [&](std::string field, std::string before, std::string after) {
                    rows.push_back({cdFilial, cdCaixa, std::string(contract::kSituacaoAltera),
                                    std::move(field), std::move(before), std::move(after)});
                  });
    if (rows.empty())
      rows.push_back({cdFilial, cdCaixa, std::string(contract::kSituacaoIgual), "", "", ""});
    return ResultEnvelope::Success(CopiaPreviaPacket(std::move(rows)));
  });
}

ResultEnvelope ParametrosModule::SetRestauraParametros(const std::string& cdFilial,
                                                       const std::string& cdCaixa,
                                                       const std::string& nrGravacao,
                                                       const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  return Guarded("setRestauraParametros", [&] {
    auto transaction = store_.BeginWrite();
    if (!transaction->LockCaixa(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    // Saves already written never change: the one to go back to may be
    // read beside the transaction.
    auto read = AlvoDe(store_, cdFilial, cdCaixa, nrGravacao);
    if (auto* refused = std::get_if<Refusal>(&read)) return Refused(*refused);
    const Alvo& alvo = std::get<Alvo>(read);
    if (auto refused = CheckAlvo(*transaction, alvo)) return Refused(*refused);
    const CaixaKey key{cdFilial, cdCaixa};
    GravacaoParametro g = PutBack(key, transaction->CurrentParametro(cdFilial, cdCaixa), alvo,
                                  caller, UtcTimestamp());
    g.restaurada = ReadNumber(nrGravacao);
    if (alvo)
      transaction->UpsertParametro(*alvo);
    else
      transaction->DeleteParametros({key});
    const long long numero = transaction->AppendGravacao(g);
    transaction->Commit();
    return ResultEnvelope::Success(RestauraPacket(numero));
  });
}

ResultEnvelope ParametrosModule::GetDesfazCopiaPrevia(const std::string& idCopia,
                                                      const Caller& caller) {
  const auto id = ReadNumber(idCopia);
  if (!id) return Refused(CopiaNaoEncontrada(idCopia));
  return Guarded("getDesfazCopiaPrevia", [&] {
    const auto keys = Destinos(store_, *id);
    if (keys.empty()) return Refused(CopiaNaoEncontrada(idCopia));
    RequireReachOfEach(caller, keys);
    const auto ultimas = store_.UltimasGravacoes(keys);
    const auto atuais = store_.LoadCaixas(keys);
    std::vector<PacketRow> rows;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const auto& ultima = ultimas[k];
      auto row = [&](std::string_view what, std::string field = {}, std::string before = {},
                     std::string after = {}) {
        rows.push_back({keys[k].cdFilial, keys[k].cdCaixa, std::string(what), std::move(field),
                        std::move(before), std::move(after), ultima ? ultima->quando : "",
                        ultima ? ultima->token : ""});
      };
      if (!atuais[k].existe || !ultima) {
        row(contract::kSituacaoDesconhecido);
      } else if (ultima->copia == id) {
        const std::size_t first = rows.size();
        ChangedValues(atuais[k].parametro, ultima->antes,
                      [&](std::string field, std::string before, std::string after) {
                        row(contract::kSituacaoRestaura, std::move(field), std::move(before),
                            std::move(after));
                      });
        if (rows.size() == first) row(contract::kSituacaoRestaura);
      } else {
        row(ultima->desfeita == id ? contract::kSituacaoDesfeito : contract::kSituacaoMantido);
      }
    }
    return ResultEnvelope::Success(DesfazPreviaPacket(std::move(rows)));
  });
}

ResultEnvelope ParametrosModule::SetDesfazCopia(const std::string& idCopia, const Caller& caller) {
  const auto id = ReadNumber(idCopia);
  if (!id) return Refused(CopiaNaoEncontrada(idCopia));
  return Guarded("setDesfazCopia", [&] {
    const auto keys = Destinos(store_, *id);
    if (keys.empty()) return Refused(CopiaNaoEncontrada(idCopia));
    RequireReachOfEach(caller, keys);
    auto transaction = store_.BeginWrite();
    // In turn with the copies, as they lock registers the same way.
    transaction->NextCopia();
    const auto atuais = transaction->LockCaixas(keys);
    // Read after the locks: no save of these registers can come between.
    const auto ultimas = transaction->UltimasGravacoes(keys);
    std::vector<ParametroTotem> upserts;
    std::vector<CaixaKey> deletes;
    std::vector<GravacaoParametro> gravacoes;
    const std::string quando = UtcTimestamp();
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!atuais[k].existe || !ultimas[k] || ultimas[k]->copia != id) continue;
      const Alvo& alvo = ultimas[k]->antes;
      if (auto refused = CheckAlvo(*transaction, alvo))
        return Refused({refused->code, keys[k].Text() + ": " + refused->message});
      if (alvo)
        upserts.push_back(*alvo);
      else
        deletes.push_back(keys[k]);
      GravacaoParametro& g =
          gravacoes.emplace_back(PutBack(keys[k], atuais[k].parametro, alvo, caller, quando));
      g.desfeita = id;
    }
    // Every destination put back, with its history row, in this one
    // transaction: all of them are committed, or none.
    transaction->UpsertParametros(upserts);
    transaction->DeleteParametros(deletes);
    transaction->AppendGravacoes(gravacoes);
    transaction->Commit();
    return ResultEnvelope::Success(DesfazPacket(gravacoes.size(), keys.size() - gravacoes.size()));
  });
}

}  // namespace totem::server
