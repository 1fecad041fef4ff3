#include "platform/client_dataset.h"
#include "platform/errors.h"
#include "tests/support/packet_builder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

namespace totem {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::vector<FieldDef> RegisterFields() {
  return {{"CHAVE", FieldType::Text, 10, "", false},   {"CDCAIXA", FieldType::Text, 3, "Código"},
          {"NMCAIXA", FieldType::Text, 30, "Nome"},    {"NMLOJA", FieldType::Text, 50, "Loja"},
          {"CDFILIAL", FieldType::Text, 4, "", false}, {"CDLOJA", FieldType::Text, 20, ""}};
}

// Register list as the server sends it, from {CDFILIAL, CDCAIXA, NMCAIXA, NMLOJA}.
DataPacket Registers(std::vector<std::vector<PacketValue>> rows) {
  test::Packet packet({"CHAVE", "CDCAIXA", "NMCAIXA", "NMLOJA", "CDFILIAL", "CDLOJA"});
  for (auto& r : rows) {
    const std::string key = r[0].value_or("") + r[1].value_or("");
    packet.Row({key, r[1], r[2], r[3], r[0], "L" + r[0].value_or("")});
  }
  return packet;
}

DataPacket FourRegisters() {
  return Registers({{"0001", "001", "Frente", "Centro"},
                    {"0002", "001", "Balcão", "Norte"},
                    {"0002", "002", "Drive", "Norte"},
                    {"0003", "001", "Totem", "Sul"}});
}

// Calls of after-scroll, then listener calls with Content and with Position.
using Counts = std::tuple<int, int, int>;

class Dataset : public ::testing::Test {
 protected:
  Dataset() {
    ds.SetAfterScroll([this](ClientDataset&) { ++std::get<0>(counts); });
    ds.AddListener([this](ClientDataset::Change c) {
      ++(c == ClientDataset::Change::Content ? std::get<1>(counts) : std::get<2>(counts));
    });
  }
  Counts Take() { return std::exchange(counts, Counts{}); }

  ClientDataset ds{"cdsCaixa", RegisterFields()};
  Counts counts;
};

TEST_F(Dataset, RaisesAfterScrollExactlyWhenRowContentOrFilterChanges) {
  struct Step {
    const char* what;
    std::function<void(ClientDataset&)> action;
    int recNo;
    Counts expected;
  };
  const Step steps[] = {
      {"SetData", [](auto& d) { d.SetData(FourRegisters()); }, 0, {1, 1, 0}},
      {"First on first", [](auto& d) { d.First(); }, 0, {}},
      {"Prior on first", [](auto& d) { d.Prior(); }, 0, {}},
      {"Next", [](auto& d) { d.Next(); }, 1, {1, 0, 1}},
      {"Last", [](auto& d) { d.Last(); }, 3, {1, 0, 1}},
      {"Next on last", [](auto& d) { d.Next(); }, 3, {}},
      {"Last on last", [](auto& d) { d.Last(); }, 3, {}},
      {"Prior", [](auto& d) { d.Prior(); }, 2, {1, 0, 1}},
      {"MoveTo same row", [](auto& d) { d.MoveTo(2); }, 2, {}},
      {"MoveTo out of range", [](auto& d) { d.MoveTo(4); }, 2, {}},
      {"SetFilter while off", [](auto& d) { d.SetFilter("CDFILIAL = '0002'"); }, 2, {}},
      {"filter on", [](auto& d) { d.SetFiltered(true); }, 0, {1, 1, 0}},
      {"filter on again", [](auto& d) { d.SetFiltered(true); }, 0, {}},
      {"Next in filter", [](auto& d) { d.Next(); }, 1, {1, 0, 1}},
      {"same text", [](auto& d) { d.SetFilter("CDFILIAL = '0002'"); }, 1, {}},
      {"new text while on", [](auto& d) { d.SetFilter("CDFILIAL = '0003'"); }, 0, {1, 1, 0}},
      {"sort", [](auto& d) { d.SortBy("NMCAIXA", true); }, 0, {0, 1, 0}},
      {"filter off", [](auto& d) { d.SetFiltered(false); }, 0, {1, 1, 0}},
      {"Clear", [](auto& d) { d.Clear(); }, -1, {1, 1, 0}},
      {"Next when empty", [](auto& d) { d.Next(); }, -1, {}},
      {"Last when empty", [](auto& d) { d.Last(); }, -1, {}},
  };
  for (const auto& step : steps) {
    step.action(ds);
    EXPECT_EQ(ds.RecNo(), step.recNo) << step.what;
    EXPECT_EQ(Take(), step.expected) << step.what;
  }
}

TEST_F(Dataset, AfterScrollHandlerSeesTheNewRow) {
  std::vector<std::string> seen;
  ds.SetAfterScroll([&](ClientDataset& d) { seen.push_back(d.FieldAsString("CHAVE")); });
  ds.SetData(FourRegisters());
  ds.Last();
  ds.SetFilter("CDFILIAL = '0002'");
  ds.SetFiltered(true);
  EXPECT_EQ(seen, (std::vector<std::string>{"0001001", "0003001", "0002001"}));
}

TEST_F(Dataset, EmptyDatasetReadsEveryFieldAsEmptyText) {
  ds.SetData(Registers({}));
  EXPECT_TRUE(ds.IsEmpty() && ds.Bof() && ds.Eof());
  EXPECT_EQ(ds.FieldAsString("NMCAIXA"), "");
  EXPECT_THAT([&] { ds.FieldAsString("NMXX"); }, ThrowsMessage<DatasetError>(HasSubstr("NMXX")));
}

TEST_F(Dataset, FilterSelectsRowsAndStaysInForceOnNewContent) {
  ds.SetData(FourRegisters());
  ds.SetFilter("CDFILIAL = '0002' and NMCAIXA <> 'Balcão'");
  ds.SetFiltered(true);
  ASSERT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldAsString("CDCAIXA"), "002");

  ds.SetFilter("cdfilial <> '0002'");
  EXPECT_EQ(ds.ValueAt(1, ds.FieldIndex("CHAVE")), "0003001");

  ds.SetData(Registers({{"0002", "001", "A", "B"}, {"0004", "007", "C", "D"}}));
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.TotalRowCount(), 2);
  EXPECT_EQ(ds.FieldAsString("CDCAIXA"), "007");
}

TEST_F(Dataset, BadFilterLeavesTheOldOneInForce) {
  ds.SetData(FourRegisters());
  ds.SetFilter("CDFILIAL = '0002'");
  ds.SetFiltered(true);
  ds.Next();
  Take();
  EXPECT_THROW(ds.SetFilter("CDFILIAL = '0003"), DatasetError);
  EXPECT_THAT([&] { ds.SetFilter("NMFILIAL = 'x'"); },
              ThrowsMessage<DatasetError>(HasSubstr("NMFILIAL")));
  EXPECT_EQ(ds.Filter(), "CDFILIAL = '0002'");
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(ds.FieldAsString("CDCAIXA"), "002");
  EXPECT_EQ(Take(), Counts{});

  ds.SetFiltered(false);
  ds.SetFilter("CDFILIAL =");  // only stored while off
  EXPECT_THROW(ds.SetFiltered(true), DatasetError);
  EXPECT_FALSE(ds.Filtered());
  EXPECT_EQ(ds.RecordCount(), 4);
}

TEST_F(Dataset, PacketThatDoesNotFitIsRefusedNamingTheColumn) {
  ds.SetData(FourRegisters());
  ds.Last();
  Take();
  DataPacket missing = FourRegisters();
  missing.fields.erase(missing.fields.begin() + 3);  // NMLOJA
  for (auto& row : missing.rows) row.erase(row.begin() + 3);
  DataPacket wrongType = FourRegisters();
  wrongType.fields[2].type = FieldType::DateTime;  // NMCAIXA
  DataPacket shortRow = FourRegisters();
  shortRow.rows[1].pop_back();

  const std::pair<const DataPacket*, const char*> cases[] = {
      {&missing, "NMLOJA"}, {&wrongType, "NMCAIXA"}, {&shortRow, "linha 2"}};
  for (const auto& [refused, named] : cases) {
    const DataPacket& packet = *refused;
    EXPECT_THAT([&] { ds.SetData(packet); }, ThrowsMessage<DatasetError>(HasSubstr(named)));
    EXPECT_EQ(ds.RecordCount(), 4) << named;
    EXPECT_EQ(ds.FieldAsString("CHAVE"), "0003001") << named;
  }
  EXPECT_EQ(Take(), Counts{});
}

TEST_F(Dataset, BindsColumnsByNameIgnoringCaseOrderAndExtras) {
  DataPacket packet;
  packet.fields = {{"nmloja", FieldType::Text, 50},  {"EXTRA", FieldType::DateTime, 0},
                   {"CdCaixa", FieldType::Text, 3},  {"cdloja", FieldType::Text, 20},
                   {"NMCAIXA", FieldType::Text, 30}, {"chave", FieldType::Text, 10},
                   {"cdfilial", FieldType::Text, 4}};
  packet.rows = {{"Loja Sul", "2024-01-01T00:00:00", "001", "L9", "Frente", "0009001", "0009"}};
  ds.SetData(packet);
  EXPECT_EQ(ds.FieldAsString("NMLOJA"), "Loja Sul");
  EXPECT_EQ(ds.FieldAsString("cdcaixa"), "001");
  EXPECT_EQ(ds.FieldAsString("CHAVE"), "0009001");
  EXPECT_EQ(ds.FieldAsString("CDFILIAL"), "0009");
}

TEST_F(Dataset, NullReadsAsEmptyTextButStaysDistinguishable) {
  ds.SetData(Registers({{"0001", "001", std::nullopt, ""}, {"0001", "002", "x", std::nullopt}}));
  const int nmcaixa = ds.FieldIndex("NMCAIXA"), nmloja = ds.FieldIndex("NMLOJA");
  EXPECT_EQ(ds.FieldAsString("NMCAIXA"), "");
  EXPECT_TRUE(ds.IsNullAt(0, nmcaixa));
  EXPECT_FALSE(ds.IsNullAt(0, nmloja));
  EXPECT_EQ(ds.ValueAt(1, nmcaixa), "x");

  ds.SetFilter("NMLOJA = ''");  // null compares as empty text
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 2);
}

TEST_F(Dataset, SortOrdersTheViewAndKeepsTheCurrentRecord) {
  ds.SetData(Registers({{"0001", "001", "Caixa B", "L"},
                        {"0002", "002", "Caixa A", "L"},
                        {"0001", "003", "Caixa B", "L"},
                        {"0001", "004", "Caixa C", "L"}}));
  auto codes = [&] {
    std::string out;
    for (int i = 0; i < ds.RecordCount(); ++i) out += ds.ValueAt(i, 1) + " ";
    return out;
  };
  ds.MoveTo(1);  // 002
  ds.SortBy("nmcaixa");
  EXPECT_EQ(codes(), "002 001 003 004 ");  // ties keep packet order
  EXPECT_EQ(ds.RecNo(), 0);
  ds.SortBy("NMCAIXA", true);
  EXPECT_EQ(codes(), "004 001 003 002 ");
  EXPECT_EQ(ds.RecNo(), 3);

  ds.SetFilter("CDFILIAL = '0001'");
  ds.SetFiltered(true);
  EXPECT_EQ(codes(), "004 001 003 ");
  ds.Last();  // 003
  ds.SortBy("");
  EXPECT_EQ(codes(), "001 003 004 ");
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_THROW(ds.SortBy("NMXX"), DatasetError);
}

TEST_F(Dataset, SortKeepsPacketOrderAmongEqualTextsOnLargeLists) {
  std::vector<std::vector<PacketValue>> rows;
  for (int i = 0; i < 200; ++i) {
    rows.push_back({"0001", std::to_string(1000 + i), i % 3 ? "B" : "A", ""});
  }
  ds.SetData(Registers(rows));
  ds.SortBy("NMCAIXA", true);
  for (int i = 1; i < ds.RecordCount(); ++i) {
    if (ds.ValueAt(i - 1, 2) == ds.ValueAt(i, 2)) {
      ASSERT_LT(ds.ValueAt(i - 1, 1), ds.ValueAt(i, 1)) << "row " << i;
    }
  }
}

}  // namespace
}  // namespace totem
