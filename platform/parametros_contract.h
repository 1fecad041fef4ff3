#pragma once
// The contract between the kiosk parameter screen and the application
// server, written once for both sides: the remote data module's name, its
// methods, the columns (with types and sizes) of the packets they return and
// the values of a register's parameter record in the order the save takes
// them. The server's packets, stores and rules and the client's datasets
// and screen mapping are all derived from these tables, so a size or a name
// cannot differ between them.
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
inline constexpr Column kCdFilial = Text("CDFILIAL", 4);
inline constexpr Column kCdCaixa = Text("CDCAIXA", 3);

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
    {Text("IDTIPEXTTOT", 1), "Tipo de extrato", false},
    {Text("CDGRUPPROD", 10), "Grupo de produtos", false},
    {Text("IDEXIMSGSAL", 1), "Exibe tela de saldo", false},
    {Text("NRDIAINITOT", 2), "Dia inicial", true},
    {Text("NRDIAFINTOT", 2), "Dia final", true},
    {Text("NRSEGFECTOT", 5), "Segundos para fechar a consulta", true},
    {Text("DSMSGINITOT", 200), "Mensagem inicial", false},
    {Text("DSMSGADITOT", 200), "Mensagem adicional", false},
    {Text("IDSELLOJTOT", 1), "Seleciona loja", false},
    {Text("IDINFCLIECAI", 20), "Informa consumidor sem identificar o cliente", false},
    {Text("DSMSGCONTOT", 200), "Mensagem do consumidor", false},
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
inline constexpr Column kNmGrupProd = Text("NMGRUPPROD", 40);

// The packets, column by column in the order the server sends them.
inline constexpr std::array<Column, 2> kFilialColumns = {{kCdFilial, Text("NMFILIAL", 30)}};
inline constexpr std::array<Column, 6> kCaixaColumns = {{Text("CHAVE", 10), kCdCaixa,
                                                         Text("NMCAIXA", 30), Text("NMLOJA", 50),
                                                         kCdFilial, Text("CDLOJA", 20)}};
inline constexpr std::array<Column, 5> kGrupoColumns = {{Field("CDGRUPPROD").column,
                                                         kNmGrupProd,
                                                         {"DTULTATUGPPR", FieldType::DateTime, 0},
                                                         Text("IDCADNVSUBGR", 1),
                                                         Text("IDGRPRODVMN", 1)}};
inline constexpr std::array<Column, 12> kParametroColumns = {
    {Field("IDSELLOJTOT").column, Field("IDTIPEXTTOT").column, Field("CDGRUPPROD").column,
     Field("IDEXIMSGSAL").column, Field("NRDIAINITOT").column, Field("NRDIAFINTOT").column,
     Field("NRSEGFECTOT").column, Field("DSMSGINITOT").column, kNmGrupProd,
     Field("DSMSGADITOT").column, Field("IDINFCLIECAI").column, Field("DSMSGCONTOT").column}};
inline constexpr std::array<Column, 2> kVerifColumns = {{kCdFilial, kCdCaixa}};

// A change of one value, as the history and the copy's preview show it: the
// value's name (a kRecord name) and its text before and after.
inline constexpr Column kNmCampo = Text("NMCAMPO", 12);
inline constexpr Column kDsAntes = Text("DSANTES", 200);
inline constexpr Column kDsDepois = Text("DSDEPOIS", 200);

// getHistParametros: a register's saves, newest first, one row per value
// each save changed (a save that changed nothing: one row, NMCAMPO empty).
// DTGRAVACAO is UTC (ISO 8601); DSORIGEM names the register a copy came
// from ("0001/002"), empty for a save made on the screen.
inline constexpr std::array<Column, 8> kHistoricoColumns = {
    {Text("NRGRAVACAO", 10), Text("DTGRAVACAO", 24), Text("NMTOKEN", 64), Text("DSCLIENTE", 64),
     Text("DSORIGEM", 8), kNmCampo, kDsAntes, kDsDepois}};
// The most saves one page of the history holds.
inline constexpr int kMaxHistorico = 500;

// getCopiaPrevia: per destination, IDSITUACAO says what the copy would do:
// one row per value it would change ("ALTERA"), or one row with NMCAMPO
// empty when nothing would change ("IGUAL"), the register is unknown
// ("DESCONHECIDO") or is the source itself ("ORIGEM").
inline constexpr std::array<Column, 6> kCopiaPreviaColumns = {
    {kCdFilial, kCdCaixa, Text("IDSITUACAO", 12), kNmCampo, kDsAntes, kDsDepois}};
inline constexpr std::string_view kSituacaoAltera = "ALTERA";
inline constexpr std::string_view kSituacaoIgual = "IGUAL";
inline constexpr std::string_view kSituacaoDesconhecido = "DESCONHECIDO";
inline constexpr std::string_view kSituacaoOrigem = "ORIGEM";
// setCopiaParametros: how many destinations changed and how many were equal.
inline constexpr std::array<Column, 2> kCopiaColumns = {
    {Text("NRALTERADOS", 6), Text("NRIGUAIS", 6)}};
// The most destinations one copy takes.
inline constexpr std::size_t kMaxDestinos = 10000;

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

}  // namespace totem::contract
