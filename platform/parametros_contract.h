#pragma once
// The contract between the kiosk parameter screen and the application
// server, written once for both sides: the remote data module's name, its
// methods, the columns (with types and sizes) of the packets they return and
// the values of a register's parameter record in the order the save takes
// them. The server's packets, stores and rules and the client's datasets
// and screen mapping are all derived from these tables, so a size or a name
// cannot differ between them.
#include "platform/column_names.h"
#include "platform/data_packet.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace totem::contract {

// The name the server hands the remote data module out under.
inline constexpr std::string_view kServerName = "Ksl80500.rdmParametrosToten";

struct Column {
  std::string_view name;
  FieldType type;
  int size;  // most characters (code points); 0 for a date-time
};

constexpr Column Text(std::string_view name, int size) { return {name, FieldType::Text, size}; }

// The branch and the register every record belongs to.
inline constexpr Column kCdFilial = Text(col::CDFILIAL, 4);
inline constexpr Column kCdCaixa = Text(col::CDCAIXA, 3);

// One value of a register's parameter record.
struct RecordField {
  Column column;
  std::string_view label;  // how the server's messages name it ("Mensagem inicial")
  bool digits;             // a whole number as decimal text: days and seconds
};

// The eleven values in the order setUpdParametros takes them, after the
// branch and the register. Adding a value is one row here (and its control
// on the screen).
inline constexpr std::array<RecordField, 11> kRecord = {{
    {Text(col::IDTIPEXTTOT, 1), "Tipo de extrato", false},
    {Text(col::CDGRUPPROD, 10), "Grupo de produtos", false},
    {Text(col::IDEXIMSGSAL, 1), "Exibe tela de saldo", false},
    {Text(col::NRDIAINITOT, 2), "Dia inicial", true},
    {Text(col::NRDIAFINTOT, 2), "Dia final", true},
    {Text(col::NRSEGFECTOT, 5), "Segundos para fechar a consulta", true},
    {Text(col::DSMSGINITOT, 200), "Mensagem inicial", false},
    {Text(col::DSMSGADITOT, 200), "Mensagem adicional", false},
    {Text(col::IDSELLOJTOT, 1), "Seleciona loja", false},
    {Text(col::IDINFCLIECAI, 20), "Informa consumidor sem identificar o cliente", false},
    {Text(col::DSMSGCONTOT, 200), "Mensagem do consumidor", false},
}};

// Where a record field stands in kRecord; nullopt for a name that is none.
constexpr std::optional<std::size_t> RecordIndex(std::string_view name) {
  for (std::size_t i = 0; i < kRecord.size(); ++i)
    if (kRecord[i].column.name == name) return i;
  return std::nullopt;
}

// The record field of that name; a name that is none does not compile where
// it is used as a constant.
constexpr const RecordField& Field(std::string_view name) {
  return kRecord[RecordIndex(name).value()];
}

// The statement types IDTIPEXTTOT takes, with the names the screen and
// the kiosks' read path give them.
struct TipoExtrato {
  std::string_view codigo;
  std::string_view nome;
};
inline constexpr std::array<TipoExtrato, 3> kTiposExtrato = {{
    {"1", "Extrato Simplificado"},
    {"2", "Extrato Detalhado"},
    {"3", "Extrato Detalhado por Sub-Grupo"},
}};

// The product group's name, which getCarregaPar adds to the record for the
// screen; it is read, never saved.
inline constexpr Column kNmGrupProd = Text(col::NMGRUPPROD, 40);

// The packets, column by column in the order the server sends them.
inline constexpr std::array<Column, 2> kFilialColumns = {{kCdFilial, Text(col::NMFILIAL, 30)}};
inline constexpr std::array<Column, 6> kCaixaColumns = {
    {Text(col::CHAVE, 10), kCdCaixa, Text(col::NMCAIXA, 30), Text(col::NMLOJA, 50), kCdFilial,
     Text(col::CDLOJA, 20)}};
inline constexpr std::array<Column, 5> kGrupoColumns = {
    {Field(col::CDGRUPPROD).column,
     kNmGrupProd,
     {col::DTULTATUGPPR, FieldType::DateTime, 0},
     Text(col::IDCADNVSUBGR, 1),
     Text(col::IDGRPRODVMN, 1)}};
inline constexpr std::array<Column, 12> kParametroColumns = {
    {Field(col::IDSELLOJTOT).column, Field(col::IDTIPEXTTOT).column, Field(col::CDGRUPPROD).column,
     Field(col::IDEXIMSGSAL).column, Field(col::NRDIAINITOT).column, Field(col::NRDIAFINTOT).column,
     Field(col::NRSEGFECTOT).column, Field(col::DSMSGINITOT).column, kNmGrupProd,
     Field(col::DSMSGADITOT).column, Field(col::IDINFCLIECAI).column,
     Field(col::DSMSGCONTOT).column}};
inline constexpr std::array<Column, 2> kVerifColumns = {{kCdFilial, kCdCaixa}};

// A change of one value, as the history and the copy's preview show it: the
// value's name (a kRecord name) and its text before and after.
inline constexpr Column kNmCampo = Text(col::NMCAMPO, 12);
inline constexpr Column kDsAntes = Text(col::DSANTES, 200);
inline constexpr Column kDsDepois = Text(col::DSDEPOIS, 200);

// getHistParametros: a register's saves, newest first, one row per value
// each save changed (a save that changed nothing: one row, NMCAMPO empty).
// DTGRAVACAO is UTC (ISO 8601); DSORIGEM names the register a copy came
// from ("0001/002"), empty for a save made on the screen. The last three
// came later (clients bind the others by name): IDCOPIA, the number of the
// copy that made the save; NRRESTAURADA, the save whose values a restore
// put back; IDDESFEITA, the copy an undo took back; empty when not so.
inline constexpr Column kNrGravacao = Text(col::NRGRAVACAO, 10);
inline constexpr Column kDtGravacao = Text(col::DTGRAVACAO, 24);
inline constexpr Column kNmToken = Text(col::NMTOKEN, 64);
inline constexpr Column kIdCopia = Text(col::IDCOPIA, 10);
inline constexpr std::array<Column, 11> kHistoricoColumns = {
    {kNrGravacao, kDtGravacao, kNmToken, Text(col::DSCLIENTE, 64), Text(col::DSORIGEM, 8), kNmCampo,
     kDsAntes, kDsDepois, kIdCopia, Text(col::NRRESTAURADA, 10), Text(col::IDDESFEITA, 10)}};
// The most saves one page of the history holds.
inline constexpr int kMaxHistorico = 500;

// getCopiaPrevia: per destination, IDSITUACAO says what the copy would do:
// one row per value it would change ("ALTERA"), or one row with NMCAMPO
// empty when nothing would change ("IGUAL"), the register is unknown
// ("DESCONHECIDO") or is the source itself ("ORIGEM").
inline constexpr std::array<Column, 6> kCopiaPreviaColumns = {
    {kCdFilial, kCdCaixa, Text(col::IDSITUACAO, 12), kNmCampo, kDsAntes, kDsDepois}};
inline constexpr std::string_view kSituacaoAltera = "ALTERA";
inline constexpr std::string_view kSituacaoIgual = "IGUAL";
inline constexpr std::string_view kSituacaoDesconhecido = "DESCONHECIDO";
inline constexpr std::string_view kSituacaoOrigem = "ORIGEM";
// setCopiaParametros: how many destinations changed and how many were
// equal, and the copy's number (empty when it changed none).
inline constexpr std::array<Column, 3> kCopiaColumns = {
    {Text(col::NRALTERADOS, 6), Text(col::NRIGUAIS, 6), kIdCopia}};
// The most destinations one copy takes.
inline constexpr std::size_t kMaxDestinos = 10000;

// getRestauraPrevia: what putting a register back to the values it had
// right after a save would change, in the copy preview's columns: one row
// per value ("ALTERA"), or one row "IGUAL". Save 0 is the register as it
// was before its first save: without a record, when it had none.
// setRestauraParametros: the number of the save it made.
inline constexpr std::array<Column, 1> kRestauraColumns = {{kNrGravacao}};

// getDesfazCopiaPrevia: per destination of the copy, what undoing it would
// do: put it back ("RESTAURA", one row per value it changes, or one row
// with NMCAMPO empty), leave it alone because it was saved since
// ("MANTIDO", with who saved last and when), because the copy was undone
// there already ("DESFEITO"), or because the register was removed
// ("DESCONHECIDO").
inline constexpr std::array<Column, 8> kDesfazPreviaColumns = {
    {kCdFilial, kCdCaixa, Text(col::IDSITUACAO, 12), kNmCampo, kDsAntes, kDsDepois, kDtGravacao,
     kNmToken}};
inline constexpr std::string_view kSituacaoRestaura = "RESTAURA";
inline constexpr std::string_view kSituacaoMantido = "MANTIDO";
inline constexpr std::string_view kSituacaoDesfeito = "DESFEITO";
// setDesfazCopia: how many destinations were put back and how many left.
inline constexpr std::array<Column, 2> kDesfazColumns = {
    {Text(col::NRRESTAURADOS, 6), Text(col::NRMANTIDOS, 6)}};

// The module's methods: their names, how many arguments each takes,
// whether the first two are the branch and the register, whether the last
// is a list, and whether the method writes (a token limited to reading may
// call only those that do not).
struct Method {
  std::string_view name;
  std::size_t arity;
  bool takesRegister;
  bool lastIsList = false;  // the last argument is a list, every other a text
  bool writes = false;
};
inline constexpr Method kGetFilial = {"getFilial", 0, false};
inline constexpr Method kGetConfCaixa = {"getConfCaixa", 0, false};
inline constexpr Method kGetPesqGrupProd = {"getPesqGrupProd", 0, false};
inline constexpr Method kGetCarregaPar = {"getCarregaPar", 2, true};
inline constexpr Method kGetVerifPar = {"getVerifPar", 2, true};
inline constexpr Method kSetUpdParametros = {"setUpdParametros", 2 + kRecord.size(), true, false,
                                             true};
// (cdFilial, cdCaixa, nrLimite, nrAntesDe): nrAntesDe empty for the newest.
inline constexpr Method kGetHistParametros = {"getHistParametros", 4, true};
// (cdFilialOrigem, cdCaixaOrigem, destinos): destinos is a JSON array of
// [cdFilial, cdCaixa] pairs, the one argument that is not a text.
inline constexpr Method kGetCopiaPrevia = {"getCopiaPrevia", 3, true, true};
inline constexpr Method kSetCopiaParametros = {"setCopiaParametros", 3, true, true, true};
// (cdFilial, cdCaixa, nrGravacao): the save whose values to go back to.
inline constexpr Method kGetRestauraPrevia = {"getRestauraPrevia", 3, true};
inline constexpr Method kSetRestauraParametros = {"setRestauraParametros", 3, true, false, true};
// (idCopia): the number a copy's history rows carry in IDCOPIA.
inline constexpr Method kGetDesfazCopiaPrevia = {"getDesfazCopiaPrevia", 1, false};
inline constexpr Method kSetDesfazCopia = {"setDesfazCopia", 1, false, false, true};

}  // namespace totem::contract
