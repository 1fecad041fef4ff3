#pragma once
// The SQL text the store runs on every database, with "?" placeholders: one
// place for each statement.
#include "server/store/store.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace totem::server {

namespace sql {

// Every table of the schema; a database without one of them is refused.
inline constexpr std::array<const char*, 8> kSchemaTables = {
    "schema_migrations",  "filial",          "caixa",
    "grupo_produto",      "parametro_totem", "parametro_totem_historico",
    "cadastro_historico", "restauracao"};

// A register is in use while neither it nor its branch is marked removed;
// a statement naming "caixa c" adds this to its conditions.
#define TOTEM_CAIXA_EM_USO                                 \
  "c.dtremocao IS NULL AND EXISTS (SELECT 1 FROM filial f" \
  " WHERE f.cdfilial = c.cdfilial AND f.dtremocao IS NULL)"

inline constexpr const char* kCaixaExists =
    "SELECT 1 FROM caixa c WHERE c.cdfilial = ? AND c.cdcaixa = ? AND " TOTEM_CAIXA_EM_USO;
inline constexpr const char* kFilialExists =
    "SELECT 1 FROM filial WHERE cdfilial = ? AND dtremocao IS NULL";
inline constexpr const char* kGrupoExists = "SELECT 1 FROM grupo_produto WHERE cdgrupprod = ?";
inline constexpr const char* kSelectFiliais =
    "SELECT cdfilial, nmfilial FROM filial WHERE dtremocao IS NULL ORDER BY cdfilial";
inline constexpr const char* kSelectCaixas =
    "SELECT c.cdfilial, c.cdcaixa, c.nmcaixa, c.cdloja, c.nmloja FROM caixa c "
    "WHERE " TOTEM_CAIXA_EM_USO " ORDER BY c.cdfilial, c.cdcaixa";
inline constexpr const char* kCountAll =
    "SELECT (SELECT COUNT(*) FROM filial) + (SELECT COUNT(*) FROM caixa)"
    " + (SELECT COUNT(*) FROM grupo_produto) + (SELECT COUNT(*) FROM parametro_totem)";
inline constexpr const char* kUpsertFilial =
    "INSERT INTO filial (cdfilial, nmfilial) VALUES (?, ?)"
    " ON CONFLICT (cdfilial) DO UPDATE SET nmfilial = excluded.nmfilial";
inline constexpr const char* kUpsertCaixa =
    "INSERT INTO caixa (cdfilial, cdcaixa, nmcaixa, cdloja, nmloja) VALUES (?, ?, ?, ?, ?)"
    " ON CONFLICT (cdfilial, cdcaixa) DO UPDATE SET nmcaixa = excluded.nmcaixa,"
    " cdloja = excluded.cdloja, nmloja = excluded.nmloja";
// The date-time goes in as ISO 8601 text, which both databases accept.
inline constexpr const char* kUpsertGrupo =
    "INSERT INTO grupo_produto (cdgrupprod, nmgrupprod, dtultatugppr, idcadnvsubgr,"
    " idgrprodvmn) VALUES (?, ?, ?, ?, ?)"
    " ON CONFLICT (cdgrupprod) DO UPDATE SET nmgrupprod = excluded.nmgrupprod,"
    " dtultatugppr = excluded.dtultatugppr, idcadnvsubgr = excluded.idcadnvsubgr,"
    " idgrprodvmn = excluded.idgrprodvmn";
// The statements that carry a record's values: their columns are the
// contract's record fields (contract::kRecord) in its order, each named in
// the tables by its wire name in lower case. Built once.
const std::string& SelectParametro();      // keys, values, then the group's name
const std::string& UpsertParametro();      // keys, then values
const std::string& SelectCurrentValues();  // values
// keys, number, when, token, client, origin, before, after, then copy,
// restored save, undone copy, left without a record
const std::string& InsertGravacao();
const std::string& SelectGravacoes();  // as InsertGravacao, from the number on
// The same columns, newest first: keys, a number to stay below, a limit.
const std::string& SelectGravacoesRecentes();

// Statements over many registers at once, for n of them; the keys go in as
// (branch, register) pairs.
// Every register named, whether its record exists (0/1) and its values;
// lockSuffix locks the registers' rows where the database locks rows.
std::string SelectCaixasIn(std::size_t n, std::string_view lockSuffix);
std::string UpsertParametros(std::size_t n);  // n times keys and values
std::string LastGravacoesIn(std::size_t n);   // keys and the highest save number
std::string InsertGravacoes(std::size_t n);   // n times InsertGravacao's values
// SelectGravacoes' columns, then the keys: the last save of each register.
std::string UltimasGravacoesIn(std::size_t n);
std::string DeleteParametrosIn(std::size_t n);

// The registers a copy wrote to, and the number the next copy takes.
inline constexpr const char* kDestinosDaCopia =
    "SELECT DISTINCT cdfilial, cdcaixa FROM parametro_totem_historico WHERE idcopia = ?"
    " ORDER BY cdfilial, cdcaixa";
inline constexpr const char* kNextCopia =
    "SELECT COALESCE(MAX(idcopia), 0) + 1 FROM parametro_totem_historico";

// Every register (or one) with the number of its last save, 0 without.
inline constexpr const char* kSelectVersoes =
    "SELECT c.cdfilial, c.cdcaixa, COALESCE(MAX(h.nrgravacao), 0) FROM caixa c"
    " LEFT JOIN parametro_totem_historico h ON h.cdfilial = c.cdfilial AND h.cdcaixa = c.cdcaixa"
    " WHERE " TOTEM_CAIXA_EM_USO " GROUP BY c.cdfilial, c.cdcaixa";
inline constexpr const char* kSelectVersao =
    "SELECT COALESCE(MAX(h.nrgravacao), 0) FROM caixa c"
    " LEFT JOIN parametro_totem_historico h ON h.cdfilial = c.cdfilial AND h.cdcaixa = c.cdcaixa"
    " WHERE c.cdfilial = ? AND c.cdcaixa = ? AND " TOTEM_CAIXA_EM_USO
    " GROUP BY c.cdfilial, c.cdcaixa";

// The channel over which the servers of one PostgreSQL database tell each
// other of committed changes; each notification's payload holds lines of
// "branch TAB register TAB version".
inline constexpr const char* kChangeChannel = "totem_parametros";

inline constexpr const char* kNextGravacao =
    "SELECT COALESCE(MAX(nrgravacao), 0) + 1 FROM parametro_totem_historico"
    " WHERE cdfilial = ? AND cdcaixa = ?";

}  // namespace sql

}  // namespace totem::server
