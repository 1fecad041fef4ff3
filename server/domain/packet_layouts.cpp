#include "server/domain/packet_layouts.h"

#include <algorithm>
#include <utility>

namespace totem::server {
namespace {

PacketColumn Text(std::string name, int size) { return {std::move(name), FieldType::Text, size}; }

// A row built by moving the values in (a braced list would copy them).
template <class... Values>
PacketRow Row(Values&&... values) {
  PacketRow row;
  row.reserve(sizeof...(values));
  (row.emplace_back(std::forward<Values>(values)), ...);
  return row;
}

// getCarregaPar's column order; every column but NMGRUPPROD is a value of
// kSaveOrder.
constexpr std::array<std::string_view, 12> kParametroColumnOrder = {
    "IDSELLOJTOT", "IDTIPEXTTOT", "CDGRUPPROD",  "IDEXIMSGSAL", "NRDIAINITOT", "NRDIAFINTOT",
    "NRSEGFECTOT", "DSMSGINITOT", "NMGRUPPROD",  "DSMSGADITOT", "IDINFCLIECAI", "DSMSGCONTOT"};
constexpr std::string_view kNmGrupProd = "NMGRUPPROD";

const ParametroField* FindSaveField(std::string_view column) {
  auto it = std::find_if(kSaveOrder.begin(), kSaveOrder.end(),
                         [&](const ParametroField& f) { return f.column == column; });
  return it == kSaveOrder.end() ? nullptr : &*it;
}

}  // namespace

const std::array<ParametroField, 11> kSaveOrder = {{
    {"IDTIPEXTTOT", "Tipo de extrato", 1, false, &ParametroTotem::idTipExtTot},
    {"CDGRUPPROD", "Grupo de produtos", 10, false, &ParametroTotem::cdGrupProd},
    {"IDEXIMSGSAL", "Exibe tela de saldo", 1, false, &ParametroTotem::idExiMsgSal},
    {"NRDIAINITOT", "Dia inicial", 2, true, &ParametroTotem::nrDiaIniTot},
    {"NRDIAFINTOT", "Dia final", 2, true, &ParametroTotem::nrDiaFinTot},
    {"NRSEGFECTOT", "Segundos para fechar a consulta", 5, true, &ParametroTotem::nrSegFecTot},
    {"DSMSGINITOT", "Mensagem inicial", 200, false, &ParametroTotem::dsMsgIniTot},
    {"DSMSGADITOT", "Mensagem adicional", 200, false, &ParametroTotem::dsMsgAdiTot},
    {"IDSELLOJTOT", "Seleciona loja", 1, false, &ParametroTotem::idSelLojTot},
    {"IDINFCLIECAI", "Informa consumidor sem identificar o cliente", 20, false,
     &ParametroTotem::idInfClieCai},
    {"DSMSGCONTOT", "Mensagem do consumidor", 200, false, &ParametroTotem::dsMsgConTot},
}};

const std::vector<PacketColumn>& FilialColumns() {
  static const std::vector<PacketColumn> columns = {Text("CDFILIAL", 4), Text("NMFILIAL", 30)};
  return columns;
}

const std::vector<PacketColumn>& CaixaColumns() {
  static const std::vector<PacketColumn> columns = {Text("CHAVE", 10),   Text("CDCAIXA", 3),
                                                    Text("NMCAIXA", 30), Text("NMLOJA", 50),
                                                    Text("CDFILIAL", 4), Text("CDLOJA", 20)};
  return columns;
}

const std::vector<PacketColumn>& GrupoColumns() {
  static const std::vector<PacketColumn> columns = {
      Text("CDGRUPPROD", 10), Text("NMGRUPPROD", 40), {"DTULTATUGPPR", FieldType::DateTime, 0},
      Text("IDCADNVSUBGR", 1), Text("IDGRPRODVMN", 1)};
  return columns;
}

const std::vector<PacketColumn>& ParametroColumns() {
  static const std::vector<PacketColumn> columns = [] {
    std::vector<PacketColumn> out;
    for (auto name : kParametroColumnOrder) {
      const ParametroField* field = FindSaveField(name);
      out.push_back(Text(std::string(name), field ? field->size : 40));
    }
    return out;
  }();
  return columns;
}

const std::vector<PacketColumn>& VerifColumns() {
  static const std::vector<PacketColumn> columns = {Text("CDFILIAL", 4), Text("CDCAIXA", 3)};
  return columns;
}

const PacketColumn* FindColumn(const std::vector<PacketColumn>& layout, std::string_view name) {
  auto it = std::find_if(layout.begin(), layout.end(),
                         [&](const PacketColumn& c) { return c.name == name; });
  return it == layout.end() ? nullptr : &*it;
}

DataPacket FilialPacket(std::vector<Filial> filiais) {
  DataPacket packet{FilialColumns(), {}};
  packet.rows.reserve(filiais.size());
  for (auto& f : filiais) packet.rows.push_back(Row(std::move(f.cdFilial), std::move(f.nmFilial)));
  return packet;
}

DataPacket CaixaPacket(std::vector<Caixa> caixas) {
  DataPacket packet{CaixaColumns(), {}};
  packet.rows.reserve(caixas.size());
  for (auto& c : caixas) {
    std::string chave = c.cdFilial + c.cdCaixa;
    packet.rows.push_back(Row(std::move(chave), std::move(c.cdCaixa), std::move(c.nmCaixa),
                              std::move(c.nmLoja), std::move(c.cdFilial), std::move(c.cdLoja)));
  }
  return packet;
}

DataPacket GrupoPacket(std::vector<GrupoProduto> grupos) {
  DataPacket packet{GrupoColumns(), {}};
  packet.rows.reserve(grupos.size());
  for (auto& g : grupos)
    packet.rows.push_back(Row(std::move(g.cdGrupProd), std::move(g.nmGrupProd), std::move(g.dtUltAtu),
                              std::move(g.idCadNvSubGr), std::move(g.idGrProdVmn)));
  return packet;
}

DataPacket ParametroPacket(const std::optional<ParametroCarregado>& record) {
  DataPacket packet{ParametroColumns(), {}};
  if (!record) return packet;
  PacketRow row;
  for (auto name : kParametroColumnOrder) {
    if (name == kNmGrupProd) row.push_back(record->nmGrupProd);
    else row.push_back(record->parametro.*(FindSaveField(name)->member));
  }
  packet.rows.push_back(std::move(row));
  return packet;
}

DataPacket VerifPacket(const std::string& cdFilial, const std::string& cdCaixa) {
  return DataPacket{VerifColumns(), {{cdFilial, cdCaixa}}};
}

}  // namespace totem::server
