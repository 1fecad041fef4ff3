#pragma once
// The SQL text the store runs on every database, with "?" placeholders: one
// place for each statement and for the order of a record's eleven values.
#include "server/store/store.h"

#include <array>
#include <string>

namespace totem::server {

namespace sql {

// Every table of the schema; a database without one of them is refused.
inline constexpr std::array<const char*, 6> kSchemaTables = {
    "schema_migrations", "filial", "caixa", "grupo_produto", "parametro_totem", "parametro_totem_historico"};

inline constexpr const char* kSelectParametro =
    "SELECT p.cdfilial, p.cdcaixa, p.idsellojtot, p.idtipexttot, p.cdgrupprod, p.ideximsgsal,"
    " p.nrdiainitot, p.nrdiafintot, p.nrsegfectot, p.dsmsginitot, p.dsmsgaditot,"
    " p.idinfcliecai, p.dsmsgcontot, g.nmgrupprod"
    " FROM parametro_totem p"
    " LEFT JOIN grupo_produto g ON g.cdgrupprod = p.cdgrupprod"
    " WHERE p.cdfilial = ? AND p.cdcaixa = ?";
inline constexpr const char* kCaixaExists = "SELECT 1 FROM caixa WHERE cdfilial = ? AND cdcaixa = ?";
inline constexpr const char* kFilialExists = "SELECT 1 FROM filial WHERE cdfilial = ?";
inline constexpr const char* kGrupoExists = "SELECT 1 FROM grupo_produto WHERE cdgrupprod = ?";
inline constexpr const char* kSelectFiliais = "SELECT cdfilial, nmfilial FROM filial ORDER BY cdfilial";
inline constexpr const char* kSelectCaixas =
    "SELECT cdfilial, cdcaixa, nmcaixa, cdloja, nmloja FROM caixa ORDER BY cdfilial, cdcaixa";
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
inline constexpr const char* kUpsertParametro =
    "INSERT INTO parametro_totem (cdfilial, cdcaixa, idsellojtot, idtipexttot, cdgrupprod,"
    " ideximsgsal, nrdiainitot, nrdiafintot, nrsegfectot, dsmsginitot, dsmsgaditot,"
    " idinfcliecai, dsmsgcontot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
    " ON CONFLICT (cdfilial, cdcaixa) DO UPDATE SET idsellojtot = excluded.idsellojtot,"
    " idtipexttot = excluded.idtipexttot, cdgrupprod = excluded.cdgrupprod,"
    " ideximsgsal = excluded.ideximsgsal, nrdiainitot = excluded.nrdiainitot,"
    " nrdiafintot = excluded.nrdiafintot, nrsegfectot = excluded.nrsegfectot,"
    " dsmsginitot = excluded.dsmsginitot, dsmsgaditot = excluded.dsmsgaditot,"
    " idinfcliecai = excluded.idinfcliecai, dsmsgcontot = excluded.dsmsgcontot";

// The eleven values of a record in the column order of the statements below.
inline constexpr std::array<std::string ParametroTotem::*, 11> kValueMembers = {
    &ParametroTotem::idSelLojTot, &ParametroTotem::idTipExtTot, &ParametroTotem::cdGrupProd,
    &ParametroTotem::idExiMsgSal, &ParametroTotem::nrDiaIniTot, &ParametroTotem::nrDiaFinTot,
    &ParametroTotem::nrSegFecTot, &ParametroTotem::dsMsgIniTot, &ParametroTotem::dsMsgAdiTot,
    &ParametroTotem::idInfClieCai, &ParametroTotem::dsMsgConTot};

inline constexpr const char* kSelectCurrentValues =
    "SELECT idsellojtot, idtipexttot, cdgrupprod, ideximsgsal, nrdiainitot, nrdiafintot,"
    " nrsegfectot, dsmsginitot, dsmsgaditot, idinfcliecai, dsmsgcontot"
    " FROM parametro_totem WHERE cdfilial = ? AND cdcaixa = ?";
inline constexpr const char* kNextGravacao =
    "SELECT COALESCE(MAX(nrgravacao), 0) + 1 FROM parametro_totem_historico"
    " WHERE cdfilial = ? AND cdcaixa = ?";
inline constexpr const char* kInsertGravacao =
    "INSERT INTO parametro_totem_historico (cdfilial, cdcaixa, nrgravacao, dtgravacao, nmtoken,"
    " dscliente, idsellojtot_antes, idtipexttot_antes, cdgrupprod_antes, ideximsgsal_antes,"
    " nrdiainitot_antes, nrdiafintot_antes, nrsegfectot_antes, dsmsginitot_antes,"
    " dsmsgaditot_antes, idinfcliecai_antes, dsmsgcontot_antes, idsellojtot_depois,"
    " idtipexttot_depois, cdgrupprod_depois, ideximsgsal_depois, nrdiainitot_depois,"
    " nrdiafintot_depois, nrsegfectot_depois, dsmsginitot_depois, dsmsgaditot_depois,"
    " idinfcliecai_depois, dsmsgcontot_depois) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
    " ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
inline constexpr const char* kSelectGravacoes =
    "SELECT nrgravacao, dtgravacao, nmtoken, dscliente, idsellojtot_antes, idtipexttot_antes,"
    " cdgrupprod_antes, ideximsgsal_antes, nrdiainitot_antes, nrdiafintot_antes,"
    " nrsegfectot_antes, dsmsginitot_antes, dsmsgaditot_antes, idinfcliecai_antes,"
    " dsmsgcontot_antes, idsellojtot_depois, idtipexttot_depois, cdgrupprod_depois,"
    " ideximsgsal_depois, nrdiainitot_depois, nrdiafintot_depois, nrsegfectot_depois,"
    " dsmsginitot_depois, dsmsgaditot_depois, idinfcliecai_depois, dsmsgcontot_depois"
    " FROM parametro_totem_historico WHERE cdfilial = ? AND cdcaixa = ? ORDER BY nrgravacao";

}  // namespace sql

}  // namespace totem::server
