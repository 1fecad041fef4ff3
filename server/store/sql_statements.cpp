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

const std::string kGroupColumn = ColumnName("CDGRUPPROD");

}  // namespace

const std::string& SelectParametro() {
  static const std::string text =
      "SELECT p.cdfilial, p.cdcaixa, " + Columns("p.") + ", g.nmgrupprod FROM parametro_totem p" +
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

const std::string& InsertGravacao() {
  static const std::string text =
      "INSERT INTO parametro_totem_historico (cdfilial, cdcaixa, nrgravacao, dtgravacao, nmtoken,"
      " dscliente, " +
      Columns("", "_antes") + ", " + Columns("", "_depois") + ") VALUES (" +
      Placeholders(6 + 2 * contract::kRecord.size()) + ")";
  return text;
}

const std::string& SelectGravacoes() {
  static const std::string text =
      "SELECT nrgravacao, dtgravacao, nmtoken, dscliente, " + Columns("", "_antes") + ", " +
      Columns("", "_depois") +
      " FROM parametro_totem_historico WHERE cdfilial = ? AND cdcaixa = ? ORDER BY nrgravacao";
  return text;
}

}  // namespace totem::server::sql
