// Beyond one register: copying a register's record to others, and reading a
// register's history a page at a time.
#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametros_module.h"
#include "server/log/server_log.h"

#include "platform/parametros_contract.h"
#include "platform/utf8.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <variant>

namespace totem::server {
namespace {

ResultEnvelope Refused(const Refusal& refusal) {
  return ResultEnvelope::Failure(refusal.code, refusal.message);
}

std::string Name(const CaixaKey& key) { return key.Text(); }

bool FitsKey(const nlohmann::json& code, const contract::Column& column) {
  if (!code.is_string()) return false;
  const std::string& text = code.get_ref<const std::string&>();
  return !text.empty() && IsValidUtf8(text) &&
         CountCodePoints(text) <= static_cast<std::size_t>(column.size);
}

// The destinations as a list of registers, each once, in the order given.
std::variant<std::vector<CaixaKey>, Refusal> ReadDestinos(const nlohmann::json& list) {
  if (list.empty()) return Refusal{refusal::kDestinosVazio, "Nenhum caixa de destino informado."};
  if (list.size() > contract::kMaxDestinos)
    return Refusal{refusal::kDestinosDemais, "No máximo " + std::to_string(contract::kMaxDestinos) +
                                                 " caixas de destino por cópia."};
  std::vector<CaixaKey> keys;
  std::set<CaixaKey> seen;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const nlohmann::json& pair = list[i];
    if (!pair.is_array() || pair.size() != 2 || !FitsKey(pair[0], contract::kCdFilial) ||
        !FitsKey(pair[1], contract::kCdCaixa))
      return Refusal{refusal::kDestinosInvalidos,
                     "O destino " + std::to_string(i + 1) +
                         " da lista não é um par [filial, caixa] de códigos válidos."};
    CaixaKey key{pair[0].get<std::string>(), pair[1].get<std::string>()};
    if (seen.insert(key).second) keys.push_back(std::move(key));
  }
  return keys;
}

// The values the copy would change at a destination (none when equal).
std::vector<std::size_t> Changed(const std::optional<ParametroTotem>& current,
                                 const ParametroTotem& source) {
  std::vector<std::size_t> fields;
  for (std::size_t i = 0; i < source.values.size(); ++i)
    if (!current || current->values[i] != source.values[i]) fields.push_back(i);
  return fields;
}

// Every destination, before any is looked up: a copy beyond the token's
// reach tells nothing of the registers there.
void RequireReachOfEach(const Caller& caller, const std::vector<CaixaKey>& keys) {
  for (const auto& [cdFilial, cdCaixa] : keys) RequireReach(caller, cdFilial, cdCaixa);
}

}  // namespace

ResultEnvelope ParametrosModule::GetHistParametros(const std::string& cdFilial,
                                                   const std::string& cdCaixa,
                                                   const std::string& nrLimite,
                                                   const std::string& nrAntesDe,
                                                   const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  const auto limite = ReadNumber(nrLimite);
  const auto antes = nrAntesDe.empty() ? std::nullopt : ReadNumber(nrAntesDe);
  if (!limite || *limite < 1 || *limite > contract::kMaxHistorico || (!nrAntesDe.empty() && !antes))
    return Refused({refusal::kPaginaInvalida, "Página do histórico inválida: de 1 a " +
                                                  std::to_string(contract::kMaxHistorico) +
                                                  " gravações, antes de um número de gravação."});
  return Guarded("getHistParametros", [&] {
    if (!store_.CaixaExists(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    std::vector<PacketRow> rows;
    for (const GravacaoParametro& g :
         store_.ListGravacoesRecentes(cdFilial, cdCaixa, static_cast<int>(*limite), antes)) {
      auto text = [](const std::optional<long long>& n) { return n ? std::to_string(*n) : ""; };
      auto row = [&](std::string field, std::string before, std::string after) {
        rows.push_back({std::to_string(g.numero), g.quando, g.token, g.cliente, g.origem,
                        std::move(field), std::move(before), std::move(after), text(g.copia),
                        text(g.restaurada), text(g.desfeita)});
      };
      const std::size_t first = rows.size();
      for (std::size_t i = 0; i < g.depois.values.size(); ++i) {
        const std::string before = g.antes ? g.antes->values[i] : std::string();
        // A register's first save shows what it set, from nothing.
        if (before != g.depois.values[i])
          row(std::string(contract::kRecord[i].column.name), before, g.depois.values[i]);
      }
      if (rows.size() == first) row("", "", "");  // saved, nothing changed
    }
    return ResultEnvelope::Success(HistoricoPacket(std::move(rows)));
  });
}

ResultEnvelope ParametrosModule::GetCopiaPrevia(const std::string& cdFilial,
                                                const std::string& cdCaixa,
                                                const nlohmann::json& destinos,
                                                const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  auto read = ReadDestinos(destinos);
  if (auto* refused = std::get_if<Refusal>(&read)) return Refused(*refused);
  const auto& keys = std::get<std::vector<CaixaKey>>(read);
  RequireReachOfEach(caller, keys);
  return Guarded("getCopiaPrevia", [&] {
    const auto source = store_.LoadParametro(cdFilial, cdCaixa);
    if (!source) {
      if (!store_.CaixaExists(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
      return Refused(
          {refusal::kOrigemSemParametros, "O caixa de origem não tem parâmetros gravados."});
    }
    const CaixaKey origem{cdFilial, cdCaixa};
    const auto current = store_.LoadCaixas(keys);
    std::vector<PacketRow> rows;
    for (std::size_t k = 0; k < keys.size(); ++k) {
      auto row = [&](std::string_view what, std::string field = {}, std::string before = {},
                     std::string after = {}) {
        rows.push_back({keys[k].cdFilial, keys[k].cdCaixa, std::string(what), std::move(field),
                        std::move(before), std::move(after)});
      };
      if (keys[k] == origem) {
        row(contract::kSituacaoOrigem);
      } else if (!current[k].existe) {
        row(contract::kSituacaoDesconhecido);
      } else {
        const auto fields = Changed(current[k].parametro, source->parametro);
        if (fields.empty()) row(contract::kSituacaoIgual);
        const std::size_t first = rows.size();
        for (std::size_t i : fields) {
          // A register without a record gets one: shown are the values it
          // gets that are not empty.
          const std::string before = current[k].parametro ? current[k].parametro->values[i] : "";
          if (before == source->parametro.values[i]) continue;
          row(contract::kSituacaoAltera, std::string(contract::kRecord[i].column.name), before,
              source->parametro.values[i]);
        }
        if (!fields.empty() && rows.size() == first) row(contract::kSituacaoAltera);
      }
    }
    return ResultEnvelope::Success(CopiaPreviaPacket(std::move(rows)));
  });
}

ResultEnvelope ParametrosModule::SetCopiaParametros(const std::string& cdFilial,
                                                    const std::string& cdCaixa,
                                                    const nlohmann::json& destinos,
                                                    const Caller& caller) {
  RequireReach(caller, cdFilial, cdCaixa);
  auto read = ReadDestinos(destinos);
  if (auto* refused = std::get_if<Refusal>(&read)) return Refused(*refused);
  std::vector<CaixaKey> keys = std::get<std::vector<CaixaKey>>(std::move(read));
  RequireReachOfEach(caller, keys);
  const CaixaKey origem{cdFilial, cdCaixa};
  keys.erase(std::remove(keys.begin(), keys.end(), origem), keys.end());
  // Registers are locked in one order, so copies that overlap queue instead
  // of deadlocking.
  std::sort(keys.begin(), keys.end());
  return Guarded("setCopiaParametros", [&] {
    auto transaction = store_.BeginWrite();
    // Taken first: copies (and undoing them) take turns on it, so they
    // never wait on each other's registers.
    const long long idCopia = transaction->NextCopia();
    if (!transaction->LockCaixa(cdFilial, cdCaixa)) return Refused(CaixaNaoCadastrado());
    const auto source = transaction->CurrentParametro(cdFilial, cdCaixa);
    if (!source)
      return Refused(
          {refusal::kOrigemSemParametros, "O caixa de origem não tem parâmetros gravados."});
    // The values go to each destination as a save would take them.
    if (auto refused = CheckValues(*source)) return Refused(*refused);
    if (NeedsGrupo(*source) && !transaction->GrupoExists((*source)[contract::col::CDGRUPPROD]))
      return Refused(GrupoNaoCadastrado());
    const auto current = transaction->LockCaixas(keys);
    std::vector<ParametroTotem> changed;
    std::vector<GravacaoParametro> gravacoes;
    const std::string quando = UtcTimestamp();
    for (std::size_t k = 0; k < keys.size(); ++k) {
      if (!current[k].existe)
        return Refused({refusal::kDestinoNaoCadastrado,
                        "Caixa de destino não cadastrado: " + Name(keys[k]) + "."});
      if (Changed(current[k].parametro, *source).empty()) continue;
      ParametroTotem copy = *source;
      copy.cdFilial = keys[k].cdFilial;
      copy.cdCaixa = keys[k].cdCaixa;
      GravacaoParametro gravacao;
      gravacao.antes = current[k].parametro;
      gravacao.depois = copy;
      gravacao.quando = quando;
      gravacao.token = caller.token;
      gravacao.cliente = caller.address;
      gravacao.origem = Name(origem);
      gravacao.copia = idCopia;
      changed.push_back(std::move(copy));
      gravacoes.push_back(std::move(gravacao));
    }
    // Each changed record and its history row, in the copy's one
    // transaction: all of them are committed, or none.
    transaction->UpsertParametros(changed);
    transaction->AppendGravacoes(gravacoes);
    transaction->Commit();
    return ResultEnvelope::Success(CopiaPacket(changed.size(), keys.size() - changed.size(),
                                               changed.empty() ? "" : std::to_string(idCopia)));
  });
}

}  // namespace totem::server
