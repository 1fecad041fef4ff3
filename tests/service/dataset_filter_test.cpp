#include "platform/data_packet.h"
#include "service/dataset_fields.h"
#include "tests/support/packet_builder.h"

#include <gtest/gtest.h>

using namespace totem;

namespace {

DataPacket Caixas(std::vector<std::pair<std::string, std::string>> filialCaixa) {
  test::Packet p(service::CaixaFields());
  for (auto& [f, c] : filialCaixa) p.Row({f + c, c, "Caixa " + c, "Loja", f, "1"});
  return p;
}

}  // namespace

// A quote in a branch code is part of the code: it can neither break the
// filter nor widen it to other branches.
TEST(CaixaFilter, SelectsOnlyThatBranchWhateverQuotesItsCodeHolds) {
  const std::vector<std::pair<std::string, std::string>> chain = {{"0001", "001"},
                                                                  {"O'B", "002"},
                                                                  {"O'B", "003"},
                                                                  {"0002", "004"},
                                                                  {"0' or CDFILIAL <> '", "005"}};
  const struct {
    std::string code;
    std::vector<std::string> registers;
  } cases[] = {
      {"O'B", {"002", "003"}},
      {"0' or CDFILIAL <> '", {"005"}},
      {"x' or CDFILIAL <> 'y", {}},
      {"'", {}},
  };
  for (const auto& c : cases) {
    auto cds = service::MakeCdsCaixa();
    cds->SetData(Caixas(chain));
    cds->SetFilter(service::CaixaFilterFor(c.code));
    cds->SetFiltered(true);
    std::vector<std::string> shown;
    for (int r = 0; r < cds->RecordCount(); ++r) shown.push_back(cds->ValueAt(r, 1));
    EXPECT_EQ(shown, c.registers) << c.code;
  }
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
