#include "platform/data_packet.h"
#include "service/dataset_fields.h"

#include <gtest/gtest.h>

using namespace totem;

namespace {

DataPacket Caixas(std::vector<std::pair<std::string, std::string>> filialCaixa) {
  DataPacket p;
  p.fields = {{"CHAVE", FieldType::Text, 10}, {"CDCAIXA", FieldType::Text, 3},
              {"NMCAIXA", FieldType::Text, 30}, {"NMLOJA", FieldType::Text, 50},
              {"CDFILIAL", FieldType::Text, 4}, {"CDLOJA", FieldType::Text, 20}};
  for (auto& [f, c] : filialCaixa) p.rows.push_back({f + c, c, "Caixa " + c, "Loja", f, "1"});
  return p;
}

}  // namespace

TEST(CaixaFilter, BranchCodeWithAQuoteSelectsOnlyThatBranch) {
  auto cds = service::MakeCdsCaixa();
  cds->SetData(Caixas({{"0001", "001"}, {"O'B", "002"}, {"O'B", "003"}, {"0002", "004"}}));
  cds->SetFilter(service::CaixaFilterFor("O'B"));
  cds->SetFiltered(true);
  EXPECT_EQ(cds->RecordCount(), 2);
  EXPECT_EQ(cds->FieldAsString("CDCAIXA"), "002");
}

TEST(CaixaFilter, QuoteCannotWidenTheFilter) {
  auto cds = service::MakeCdsCaixa();
  cds->SetData(Caixas({{"0001", "001"}, {"0002", "002"}}));
  // Without doubling, this code would close the literal and add a condition.
  cds->SetFilter(service::CaixaFilterFor("x' or CDFILIAL <> 'y"));
  cds->SetFiltered(true);
  EXPECT_TRUE(cds->IsEmpty());
}

TEST(ModuleDatasets, CarryTheLabelsAndVisibilityViewsShow) {
  auto caixa = service::MakeCdsCaixa();
  EXPECT_EQ(caixa->Name(), "cdsCaixa");
  const auto& f = caixa->Fields();
  ASSERT_EQ(f.size(), 6u);
  EXPECT_FALSE(f[0].visible);  // CHAVE
  EXPECT_EQ(f[1].displayLabel, "Código");
  EXPECT_EQ(f[3].displayLabel, "Loja");
  EXPECT_FALSE(f[4].visible);  // CDFILIAL
  auto grupos = service::MakeCdsPesqGrupProd();
  EXPECT_EQ(grupos->Fields()[0].displayWidth, 15);
  EXPECT_EQ(grupos->Fields()[2].type, FieldType::DateTime);
}
