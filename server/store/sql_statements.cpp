#include "server/store/sql_statements.h"

#include "platform/parametros_contract.h"

#include <cctype>

namespace totem::server::sql {
namespace {

std::string ColumnName(std::string_view field) {
  std::string name(field);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// The record's columns, each with prefix and suffix, joined by ", ".
std::string Columns(std::string_view prefix = "", std::string_view suffix = "") {
  std::string out;
  for (const auto& field : contract::kRecord) {
    if (!out.empty()) out += ", ";
    out += std::string(prefix) + ColumnName(field.column.name) + std::string(suffix);
  }
  return out;
}

std::string Placeholders(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += i ? ", ?" : "?";
  return out;
}

const std::string kGroupColumn = ColumnName(contract::col::CDGRUPPROD);

}  // namespace

const std::string& SelectParametro() {
  static const std::string text = "SELECT p.cdfilial, p.cdcaixa, " + Columns("p.") +
                                  ", g.nmgrupprod FROM parametro_totem p" +
                                  " LEFT JOIN grupo_produto g ON g.cdgrupprod = p." + kGroupColumn +
                                  " WHERE p.cdfilial = ? AND p.cdcaixa = ?";
  return text;
}

const std::string& UpsertParametro() {
  static const std::string text = [] {
    std::string updates;
    for (const auto& field : contract::kRecord) {
      const std::string name = ColumnName(field.column.name);
      updates += (updates.empty() ? "" : ", ") + name + " = excluded." + name;
    }
    return "INSERT INTO parametro_totem (cdfilial, cdcaixa, " + Columns() + ") VALUES (" +
           Placeholders(2 + contract::kRecord.size()) +
           ") ON CONFLICT (cdfilial, cdcaixa) DO UPDATE SET " + updates;
  }();
  return text;
}

const std::string& SelectCurrentValues() {
  static const std::string text =
      "SELECT " + Columns() + " FROM parametro_totem WHERE cdfilial = ? AND cdcaixa = ?";
  return text;
}

namespace {

constexpr std::size_t kGravacaoValues = 7 + 2 * contract::kRecord.size() + 4;

// What a history row tells beyond its values: the copy that made it, what
// it put back, and whether it left the register without a record.
constexpr const char* kUndoColumns = "idcopia, nrrestaurada, iddesfeita, idsemparametro";

std::string GravacaoInsertHead() {
  return "INSERT INTO parametro_totem_historico (cdfilial, cdcaixa, nrgravacao, dtgravacao, "
         "nmtoken,"
         " dscliente, dsorigem, " +
         Columns("", "_antes") + ", " + Columns("", "_depois") + ", " + kUndoColumns + ") VALUES ";
}

std::string GravacaoSelectColumns() {
  return "SELECT nrgravacao, dtgravacao, nmtoken, dscliente, dsorigem, " + Columns("", "_antes") +
         ", " + Columns("", "_depois") + ", " + kUndoColumns;
}

std::string GravacaoSelectHead() {
  return GravacaoSelectColumns() + " FROM parametro_totem_historico";
}

// n groups of k placeholders: "(?, ?), (?, ?)".
std::string Tuples(std::size_t n, std::size_t k) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += (i ? ", (" : "(") + Placeholders(k) + ")";
  return out;
}

}  // namespace

const std::string& InsertGravacao() {
  static const std::string text = GravacaoInsertHead() + Tuples(1, kGravacaoValues);
  return text;
}

const std::string& SelectGravacoes() {
  static const std::string text =
      GravacaoSelectHead() + " WHERE cdfilial = ? AND cdcaixa = ? ORDER BY nrgravacao";
  return text;
}

const std::string& SelectGravacoesRecentes() {
  static const std::string text =
      GravacaoSelectHead() +
      " WHERE cdfilial = ? AND cdcaixa = ? AND nrgravacao < ? ORDER BY nrgravacao DESC LIMIT ?";
  return text;
}

std::string SelectCaixasIn(std::size_t n, std::string_view lockSuffix) {
  return "SELECT c.cdfilial, c.cdcaixa, CASE WHEN p.cdfilial IS NULL THEN 0 ELSE 1 END, " +
         Columns("p.") +
         " FROM caixa c LEFT JOIN parametro_totem p ON p.cdfilial = c.cdfilial AND p.cdcaixa = "
         "c.cdcaixa"
         " WHERE (c.cdfilial, c.cdcaixa) IN (VALUES " +
         Tuples(n, 2) + ") AND " TOTEM_CAIXA_EM_USO + std::string(lockSuffix);
}

std::string UpsertParametros(std::size_t n) {
  const std::string& one = UpsertParametro();
  const auto values = one.find("VALUES (");
  const auto end = one.find(')', values);
  return one.substr(0, values) + "VALUES " + Tuples(n, 2 + contract::kRecord.size()) +
         one.substr(end + 1);
}

std::string LastGravacoesIn(std::size_t n) {
  return "SELECT cdfilial, cdcaixa, MAX(nrgravacao) AS n FROM parametro_totem_historico"
         " WHERE (cdfilial, cdcaixa) IN (VALUES " +
         Tuples(n, 2) + ") GROUP BY cdfilial, cdcaixa";
}

std::string UltimasGravacoesIn(std::size_t n) {
  // Joined to each register's highest number, as LastGravacoesIn finds it:
  // one pass over the keys' index range whatever the database's planner.
  return GravacaoSelectColumns() +
         ", h.cdfilial, h.cdcaixa FROM parametro_totem_historico h JOIN (" + LastGravacoesIn(n) +
         ") m ON h.cdfilial = m.cdfilial AND h.cdcaixa = m.cdcaixa AND h.nrgravacao = m.n";
}

std::string DeleteParametrosIn(std::size_t n) {
  return "DELETE FROM parametro_totem WHERE (cdfilial, cdcaixa) IN (VALUES " + Tuples(n, 2) + ")";
}

std::string InsertGravacoes(std::size_t n) {
  return GravacaoInsertHead() + Tuples(n, kGravacaoValues);
}

}  // namespace totem::server::sql
