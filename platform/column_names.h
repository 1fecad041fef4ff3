#pragma once
// The names of the columns of every packet the server and the screen
// exchange, spelt once. Code names a column through these constants, so a
// misspelt name does not compile; the contract (parametros_contract.h) gives
// each its type and size. The SQL migrations spell the same names as the
// tables' columns.

namespace totem::contract::col {

inline constexpr char CDFILIAL[] = "CDFILIAL";
inline constexpr char CDCAIXA[] = "CDCAIXA";
inline constexpr char IDTIPEXTTOT[] = "IDTIPEXTTOT";
inline constexpr char CDGRUPPROD[] = "CDGRUPPROD";
inline constexpr char IDEXIMSGSAL[] = "IDEXIMSGSAL";
inline constexpr char NRDIAINITOT[] = "NRDIAINITOT";
inline constexpr char NRDIAFINTOT[] = "NRDIAFINTOT";
inline constexpr char NRSEGFECTOT[] = "NRSEGFECTOT";
inline constexpr char DSMSGINITOT[] = "DSMSGINITOT";
inline constexpr char DSMSGADITOT[] = "DSMSGADITOT";
inline constexpr char IDSELLOJTOT[] = "IDSELLOJTOT";
inline constexpr char IDINFCLIECAI[] = "IDINFCLIECAI";
inline constexpr char DSMSGCONTOT[] = "DSMSGCONTOT";
inline constexpr char NMGRUPPROD[] = "NMGRUPPROD";
inline constexpr char NMFILIAL[] = "NMFILIAL";
inline constexpr char CHAVE[] = "CHAVE";
inline constexpr char NMCAIXA[] = "NMCAIXA";
inline constexpr char NMLOJA[] = "NMLOJA";
inline constexpr char CDLOJA[] = "CDLOJA";
inline constexpr char DTULTATUGPPR[] = "DTULTATUGPPR";
inline constexpr char IDCADNVSUBGR[] = "IDCADNVSUBGR";
inline constexpr char IDGRPRODVMN[] = "IDGRPRODVMN";
inline constexpr char NMCAMPO[] = "NMCAMPO";
inline constexpr char DSANTES[] = "DSANTES";
inline constexpr char DSDEPOIS[] = "DSDEPOIS";
inline constexpr char NRGRAVACAO[] = "NRGRAVACAO";
inline constexpr char DTGRAVACAO[] = "DTGRAVACAO";
inline constexpr char NMTOKEN[] = "NMTOKEN";
inline constexpr char DSCLIENTE[] = "DSCLIENTE";
inline constexpr char DSORIGEM[] = "DSORIGEM";
inline constexpr char IDSITUACAO[] = "IDSITUACAO";
inline constexpr char NRALTERADOS[] = "NRALTERADOS";
inline constexpr char NRIGUAIS[] = "NRIGUAIS";
inline constexpr char IDCOPIA[] = "IDCOPIA";
inline constexpr char NRRESTAURADA[] = "NRRESTAURADA";
inline constexpr char IDDESFEITA[] = "IDDESFEITA";
inline constexpr char NRRESTAURADOS[] = "NRRESTAURADOS";
inline constexpr char NRMANTIDOS[] = "NRMANTIDOS";

}  // namespace totem::contract::col
