#pragma once
// The data packets of the methods: their columns, types and sizes come from
// the contract both sides share (platform/parametros_contract.h); here is
// how records fill their rows.
#include "server/store/store.h"

#include "platform/data_packet.h"
#include "platform/parametros_contract.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

const std::vector<PacketColumn>& FilialColumns();     // getFilial
const std::vector<PacketColumn>& CaixaColumns();      // getConfCaixa
const std::vector<PacketColumn>& GrupoColumns();      // getPesqGrupProd
const std::vector<PacketColumn>& ParametroColumns();  // getCarregaPar
const std::vector<PacketColumn>& VerifColumns();      // getVerifPar

// The column of that name in a layout, or nullptr.
const PacketColumn* FindColumn(const std::vector<PacketColumn>& layout, std::string_view name);

// The lists are taken by value: their texts move into the packet, which
// matters for tens of thousands of registers.
DataPacket FilialPacket(std::vector<Filial> filiais);
DataPacket CaixaPacket(std::vector<Caixa> caixas);
DataPacket GrupoPacket(std::vector<GrupoProduto> grupos);
// No record gives a packet without rows that still describes its columns.
DataPacket ParametroPacket(const std::optional<ParametroCarregado>& record);
DataPacket VerifPacket(const std::string& cdFilial, const std::string& cdCaixa);
// The copy and the history (contract::kCopiaPreviaColumns, kCopiaColumns,
// kHistoricoColumns): rows of texts in those columns' order.
DataPacket CopiaPreviaPacket(std::vector<PacketRow> rows);
DataPacket CopiaPacket(std::size_t alterados, std::size_t iguais, std::string idCopia);
// Putting back (contract::kDesfazPreviaColumns, kDesfazColumns,
// kRestauraColumns); a restore's preview is a CopiaPreviaPacket.
DataPacket DesfazPreviaPacket(std::vector<PacketRow> rows);
DataPacket DesfazPacket(std::size_t restaurados, std::size_t mantidos);
DataPacket RestauraPacket(long long numero);
DataPacket HistoricoPacket(std::vector<PacketRow> rows);

}  // namespace totem::server
