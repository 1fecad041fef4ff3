#include "server/store/cadastro_removal.h"

namespace totem::server {
namespace {

bool IsBranch(const CadastroAlvo& alvo) { return alvo.cdCaixa.empty(); }

// "caixa" or "filial", and the values that name the target's row.
const char* Table(const CadastroAlvo& alvo) { return IsBranch(alvo) ? "filial" : "caixa"; }
std::string Keys(const CadastroAlvo& alvo) {
  return IsBranch(alvo) ? " WHERE cdfilial = ?" : " WHERE cdfilial = ? AND cdcaixa = ?";
}
SqlValues KeyValues(const CadastroAlvo& alvo) {
  if (IsBranch(alvo)) return {alvo.cdFilial};
  return {alvo.cdFilial, alvo.cdCaixa};
}

void AppendEvento(WriteTransaction& tx, const CadastroAlvo& alvo, const char* evento,
                  const std::string& quando, const std::string& autor) {
  tx.Run(
      "INSERT INTO cadastro_historico (cdfilial, cdcaixa, dsevento, dtevento, nmautor) VALUES (?, "
      "?, ?, ?, ?)",
      {alvo.cdFilial, IsBranch(alvo) ? std::nullopt : std::optional(alvo.cdCaixa), evento, quando,
       autor},
      0);
  tx.AnnounceCadastro({alvo.cdFilial, alvo.cdCaixa});
}

// Sets or clears the target's mark; false when no row was in the other state.
bool Mark(WriteTransaction& tx, const CadastroAlvo& alvo, bool removed, const std::string& quando,
          const std::string& autor) {
  SqlValues values = removed ? SqlValues{quando, autor} : SqlValues{std::nullopt, std::nullopt};
  for (auto& key : KeyValues(alvo)) values.push_back(key);
  const std::string sql =
      std::string("UPDATE ") + Table(alvo) + " SET dtremocao = ?, nmremocao = ?" + Keys(alvo) +
      (removed ? " AND dtremocao IS NULL" : " AND dtremocao IS NOT NULL") + " RETURNING cdfilial";
  if (tx.Run(sql, values, 1).empty()) return false;
  AppendEvento(tx, alvo, removed ? kRemovido : kReativado, quando, autor);
  return true;
}

std::string Text(const std::optional<std::string>& value) { return value.value_or(""); }

std::vector<CadastroEvento> Eventos(const SqlRows& rows) {
  std::vector<CadastroEvento> out;
  for (const auto& row : rows)
    out.push_back({{Text(row[0]), Text(row[1])}, Text(row[2]), Text(row[3]), Text(row[4])});
  return out;
}

}  // namespace

bool MarkRemoved(WriteTransaction& tx, const CadastroAlvo& alvo, const std::string& quando,
                 const std::string& autor) {
  return Mark(tx, alvo, true, quando, autor);
}

bool MarkInUse(WriteTransaction& tx, const CadastroAlvo& alvo, const std::string& quando,
               const std::string& autor) {
  return Mark(tx, alvo, false, quando, autor);
}

std::vector<CadastroAlvo> PurgeRemoved(WriteTransaction& tx, const std::string& quando,
                                       const std::string& autor) {
  std::vector<CadastroAlvo> deleted;
  for (const auto& row :
       tx.Run("SELECT cdfilial FROM filial WHERE dtremocao IS NOT NULL ORDER BY cdfilial", {}, 1))
    deleted.push_back({Text(row[0]), ""});
  for (const auto& row :
       tx.Run("SELECT c.cdfilial, c.cdcaixa FROM caixa c WHERE c.dtremocao IS NOT NULL OR EXISTS"
              " (SELECT 1 FROM filial f WHERE f.cdfilial = c.cdfilial AND f.dtremocao IS NOT NULL)"
              " ORDER BY c.cdfilial, c.cdcaixa",
              {}, 2))
    deleted.push_back({Text(row[0]), Text(row[1])});
  // Children first, as the foreign keys want them.
  for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) {
    const CadastroAlvo& alvo = *it;
    if (!IsBranch(alvo))
      for (const char* table : {"parametro_totem_historico", "parametro_totem"})
        tx.Run(std::string("DELETE FROM ") + table + Keys(alvo), KeyValues(alvo), 0);
    tx.Run(std::string("DELETE FROM ") + Table(alvo) + Keys(alvo), KeyValues(alvo), 0);
    AppendEvento(tx, alvo, kPurgado, quando, autor);
  }
  return deleted;
}

CadastroEstado StateOf(Store& store, const CadastroAlvo& alvo) {
  const auto rows =
      store.Read(std::string("SELECT dtremocao, nmremocao FROM ") + Table(alvo) + Keys(alvo),
                 KeyValues(alvo), 2);
  CadastroEstado state;
  state.existe = !rows.empty();
  if (state.existe && rows[0][0])
    state.remocao = CadastroEvento{alvo, kRemovido, Text(rows[0][0]), Text(rows[0][1])};
  return state;
}

std::vector<CadastroEvento> ListRemovals(Store& store) {
  return Eventos(
      store.Read("SELECT cdfilial, '', 'removido', dtremocao, nmremocao FROM filial WHERE "
                 "dtremocao IS NOT NULL"
                 " UNION ALL SELECT cdfilial, cdcaixa, 'removido', dtremocao, nmremocao FROM caixa "
                 "WHERE dtremocao IS NOT NULL"
                 " ORDER BY 1, 2",
                 {}, 5));
}

std::vector<CadastroEvento> ListCadastroEventos(Store& store, const std::string& cdFilial,
                                                const std::string& cdCaixa) {
  return Eventos(store.Read(
      "SELECT cdfilial, COALESCE(cdcaixa, ''), dsevento, dtevento, nmautor FROM cadastro_historico"
      " WHERE cdfilial = ? AND (cdcaixa IS NULL OR cdcaixa = ?) ORDER BY dtevento",
      {cdFilial, cdCaixa}, 5));
}

std::vector<CadastroAlvo> SimilarCodes(Store& store, const CadastroAlvo& alvo) {
  // Compared without leading zeros, in SQL both databases share.
  const std::string filial = "LTRIM(cdfilial, '0') = LTRIM(?, '0')";
  const SqlRows rows =
      IsBranch(alvo)
          ? store.Read("SELECT cdfilial, '' FROM filial WHERE " + filial +
                           " AND cdfilial <> ? ORDER BY cdfilial",
                       {alvo.cdFilial, alvo.cdFilial}, 2)
          : store.Read(
                "SELECT cdfilial, cdcaixa FROM caixa WHERE " + filial +
                    " AND LTRIM(cdcaixa, '0') = LTRIM(?, '0') AND (cdfilial <> ? OR cdcaixa <> ?)"
                    " ORDER BY cdfilial, cdcaixa",
                {alvo.cdFilial, alvo.cdCaixa, alvo.cdFilial, alvo.cdCaixa}, 2);
  std::vector<CadastroAlvo> out;
  for (const auto& row : rows) out.push_back({Text(row[0]), Text(row[1])});
  return out;
}

}  // namespace totem::server
