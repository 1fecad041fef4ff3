#pragma once
// Rows in and out of the SQL store's statements, for every database: the
// history's columns, the registers read or written many at a time, and the
// generic statements of the store's own modules.
#include "server/store/sql_statements.h"
#include "server/store/store.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server::sql_rows {

// Rows one statement carries when many registers are read or written at
// once: well inside every database's limit on parameters.
inline constexpr std::size_t kRowsPerStatement = 200;

// Calls body(from, n) for consecutive chunks of at most chunk of total.
template <class Body>
void ForChunks(std::size_t total, std::size_t chunk, Body&& body) {
  for (std::size_t from = 0; from < total; from += chunk) body(from, std::min(chunk, total - from));
}

// One row of the history, in the columns of sql::SelectGravacoes.
template <class Statement>
GravacaoParametro ReadGravacao(Statement& select, const std::string& cdFilial,
                               const std::string& cdCaixa) {
  GravacaoParametro g;
  g.numero = select.Int(0);
  g.quando = select.Text(1);
  g.token = select.Text(2);
  g.cliente = select.Text(3);
  g.origem = select.Text(4);
  constexpr int kFirstAntes = 5;
  constexpr int kFirstDepois = kFirstAntes + static_cast<int>(contract::kRecord.size());
  g.depois.cdFilial = cdFilial;
  g.depois.cdCaixa = cdCaixa;
  // The "_antes" columns are written all NULL or all set.
  if (select.OptionalText(kFirstAntes)) {
    g.antes.emplace();
    g.antes->cdFilial = cdFilial;
    g.antes->cdCaixa = cdCaixa;
  }
  for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
    if (g.antes) g.antes->values[i] = select.Text(kFirstAntes + static_cast<int>(i));
    g.depois.values[i] = select.Text(kFirstDepois + static_cast<int>(i));
  }
  constexpr int kFirstUndo = kFirstDepois + static_cast<int>(contract::kRecord.size());
  auto number = [&](int column) -> std::optional<long long> {
    if (!select.OptionalText(column)) return std::nullopt;
    return select.Int(column);
  };
  g.copia = number(kFirstUndo);
  g.restaurada = number(kFirstUndo + 1);
  g.desfeita = number(kFirstUndo + 2);
  g.semParametro = select.OptionalText(kFirstUndo + 3).value_or("") == "S";
  return g;
}

// Columns a history row takes in sql::SelectGravacoes; the keys follow them
// in sql::UltimasGravacoesIn.
inline constexpr int kGravacaoColumns = 9 + 2 * static_cast<int>(contract::kRecord.size());

// A history row's values, in the columns of sql::InsertGravacao, from index.
template <class Statement>
void BindGravacao(Statement& insert, int& index, const GravacaoParametro& g, long long numero) {
  insert.Bind(index++, g.depois.cdFilial);
  insert.Bind(index++, g.depois.cdCaixa);
  insert.BindInt(index++, numero);
  insert.Bind(index++, g.quando);
  insert.Bind(index++, g.token);
  insert.Bind(index++, g.cliente);
  insert.BindOptional(index++, g.origem.empty() ? std::nullopt : std::optional(g.origem));
  for (std::size_t i = 0; i < contract::kRecord.size(); ++i)
    insert.BindOptional(index++, g.antes ? std::optional(g.antes->values[i]) : std::nullopt);
  for (const std::string& value : g.depois.values) insert.Bind(index++, value);
  auto number = [](const std::optional<long long>& n) {
    return n ? std::optional(std::to_string(*n)) : std::nullopt;
  };
  insert.BindOptional(index++, number(g.copia));
  insert.BindOptional(index++, number(g.restaurada));
  insert.BindOptional(index++, number(g.desfeita));
  insert.BindOptional(index++, g.semParametro ? std::optional<std::string>("S") : std::nullopt);
}

// The last save of each register, in the keys' order.
template <class Connection>
std::vector<std::optional<GravacaoParametro>> UltimasGravacoes(Connection& c,
                                                               const std::vector<CaixaKey>& keys) {
  std::map<CaixaKey, GravacaoParametro> found;
  ForChunks(keys.size(), kRowsPerStatement, [&](std::size_t from, std::size_t n) {
    auto select = c.Prepare(sql::UltimasGravacoesIn(n));
    int index = 1;
    for (std::size_t r = from; r < from + n; ++r) {
      select.Bind(index++, keys[r].cdFilial);
      select.Bind(index++, keys[r].cdCaixa);
    }
    while (select.Step()) {
      CaixaKey key{select.Text(kGravacaoColumns), select.Text(kGravacaoColumns + 1)};
      found[key] = ReadGravacao(select, key.cdFilial, key.cdCaixa);
    }
  });
  std::vector<std::optional<GravacaoParametro>> out;
  out.reserve(keys.size());
  for (const CaixaKey& key : keys) {
    auto at = found.find(key);
    out.push_back(at == found.end() ? std::nullopt : std::optional(std::move(at->second)));
  }
  return out;
}

template <class Connection>
std::vector<CaixaKey> DestinosDaCopia(Connection& c, long long idCopia) {
  auto select = c.Prepare(sql::kDestinosDaCopia);
  select.BindInt(1, idCopia);
  std::vector<CaixaKey> out;
  while (select.Step()) out.push_back({select.Text(0), select.Text(1)});
  return out;
}

template <class Connection>
SqlRows Rows(Connection& c, std::string_view sql, const SqlValues& values, std::size_t columns) {
  auto statement = c.Prepare(sql);
  for (std::size_t i = 0; i < values.size(); ++i)
    statement.BindOptional(static_cast<int>(i + 1), values[i]);
  SqlRows rows;
  while (statement.Step()) {
    SqlValues& row = rows.emplace_back();
    for (std::size_t i = 0; i < columns; ++i)
      row.push_back(statement.OptionalText(static_cast<int>(i)));
  }
  return rows;
}

// Whether each register exists and its record, in the keys' order.
template <class Connection>
std::vector<CaixaAtual> SelectCaixas(Connection& c, const std::vector<CaixaKey>& keys,
                                     std::string_view lockSuffix) {
  std::map<CaixaKey, CaixaAtual> found;
  ForChunks(keys.size(), kRowsPerStatement, [&](std::size_t from, std::size_t n) {
    auto select = c.Prepare(sql::SelectCaixasIn(n, lockSuffix));
    int index = 1;
    for (std::size_t r = from; r < from + n; ++r) {
      select.Bind(index++, keys[r].cdFilial);
      select.Bind(index++, keys[r].cdCaixa);
    }
    while (select.Step()) {
      CaixaAtual& caixa = found[{select.Text(0), select.Text(1)}];
      caixa.existe = true;
      if (select.Int(2) == 0) continue;
      ParametroTotem& p = caixa.parametro.emplace();
      p.cdFilial = select.Text(0);
      p.cdCaixa = select.Text(1);
      for (std::size_t i = 0; i < p.values.size(); ++i)
        p.values[i] = select.Text(3 + static_cast<int>(i));
    }
  });
  std::vector<CaixaAtual> out;
  out.reserve(keys.size());
  for (const CaixaKey& key : keys) out.push_back(found[key]);
  return out;
}

}  // namespace totem::server::sql_rows
