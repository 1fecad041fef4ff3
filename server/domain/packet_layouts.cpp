#include "server/domain/packet_layouts.h"

#include <algorithm>
#include <utility>

namespace totem::server {
namespace {

// A layout of the contract as the packet's column list.
template <std::size_t N>
std::vector<PacketColumn> Layout(const std::array<contract::Column, N>& columns) {
  std::vector<PacketColumn> layout;
  for (const auto& c : columns) layout.push_back({std::string(c.name), c.type, c.size});
  return layout;
}

// A row built by moving the values in (a braced list would copy them).
template <class... Values>
PacketRow Row(Values&&... values) {
  PacketRow row;
  row.reserve(sizeof...(values));
  (row.emplace_back(std::forward<Values>(values)), ...);
  return row;
}

}  // namespace

const std::vector<PacketColumn>& FilialColumns() {
  static const auto columns = Layout(contract::kFilialColumns);
  return columns;
}

const std::vector<PacketColumn>& CaixaColumns() {
  static const auto columns = Layout(contract::kCaixaColumns);
  return columns;
}

const std::vector<PacketColumn>& GrupoColumns() {
  static const auto columns = Layout(contract::kGrupoColumns);
  return columns;
}

const std::vector<PacketColumn>& ParametroColumns() {
  static const auto columns = Layout(contract::kParametroColumns);
  return columns;
}

const std::vector<PacketColumn>& VerifColumns() {
  static const auto columns = Layout(contract::kVerifColumns);
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
    packet.rows.push_back(Row(std::move(g.cdGrupProd), std::move(g.nmGrupProd),
                              std::move(g.dtUltAtu), std::move(g.idCadNvSubGr),
                              std::move(g.idGrProdVmn)));
  return packet;
}

DataPacket ParametroPacket(const std::optional<ParametroCarregado>& record) {
  DataPacket packet{ParametroColumns(), {}};
  if (!record) return packet;
  PacketRow row;
  for (const auto& column : contract::kParametroColumns) {
    if (column.name == contract::kNmGrupProd.name)
      row.push_back(record->nmGrupProd);
    else
      row.push_back(record->parametro[column.name]);
  }
  packet.rows.push_back(std::move(row));
  return packet;
}

DataPacket CopiaPreviaPacket(std::vector<PacketRow> rows) {
  static const auto columns = Layout(contract::kCopiaPreviaColumns);
  return DataPacket{columns, std::move(rows)};
}

DataPacket CopiaPacket(std::size_t alterados, std::size_t iguais, std::string idCopia) {
  static const auto columns = Layout(contract::kCopiaColumns);
  return DataPacket{columns,
                    {Row(std::to_string(alterados), std::to_string(iguais), std::move(idCopia))}};
}

DataPacket DesfazPreviaPacket(std::vector<PacketRow> rows) {
  static const auto columns = Layout(contract::kDesfazPreviaColumns);
  return DataPacket{columns, std::move(rows)};
}

DataPacket DesfazPacket(std::size_t restaurados, std::size_t mantidos) {
  static const auto columns = Layout(contract::kDesfazColumns);
  return DataPacket{columns, {Row(std::to_string(restaurados), std::to_string(mantidos))}};
}

DataPacket RestauraPacket(long long numero) {
  static const auto columns = Layout(contract::kRestauraColumns);
  return DataPacket{columns, {Row(std::to_string(numero))}};
}

DataPacket HistoricoPacket(std::vector<PacketRow> rows) {
  static const auto columns = Layout(contract::kHistoricoColumns);
  return DataPacket{columns, std::move(rows)};
}

DataPacket VerifPacket(const std::string& cdFilial, const std::string& cdCaixa) {
  return DataPacket{VerifColumns(), {{cdFilial, cdCaixa}}};
}

}  // namespace totem::server
