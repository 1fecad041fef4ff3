// --demo fills an empty database with a chain that exercises every mode of
// the screen, always the same, and leaves a database with data alone.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include "platform/utf8.h"
#include "server/domain/demo_data.h"
#include "server/store/store_factory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

namespace totem::test {
namespace {

using nlohmann::json;

// Every text value fits the size its packet declares, in characters.
void ExpectValuesFit(const json& packet) {
  const auto& fields = packet["fields"];
  for (const auto& row : packet["rows"])
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (row[i].is_null() || fields[i]["type"] != "string") continue;
      const auto text = row[i].get<std::string>();
      EXPECT_LE(CountCodePoints(text), fields[i]["size"].get<std::size_t>())
          << fields[i]["name"] << " = " << text;
    }
}

TEST(DemoData, CoversEveryModeOfTheScreen) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "totem");
  ServerProcess server(ServerOn(db->Address(), true));
  ModuleClient client(server.Host(), server.Port());

  auto filiais = client.Envelope("getFilial", {})["packet"];
  auto caixas = client.Envelope("getConfCaixa", {})["packet"];
  auto grupos = client.Envelope("getPesqGrupProd", {})["packet"];
  for (const auto* packet : {&filiais, &caixas, &grupos}) ExpectValuesFit(*packet);

  EXPECT_GE(filiais["rows"].size(), 8u);
  EXPECT_LE(filiais["rows"].size(), 15u);
  EXPECT_GE(grupos["rows"].size(), 18u);

  std::set<std::string> withRegisters;
  for (const auto& c : caixas["rows"]) withRegisters.insert(c[4].get<std::string>());
  EXPECT_EQ(withRegisters.size() + 1, filiais["rows"].size())
      << "exactly one branch without registers";

  std::set<std::string> types;
  int currentMonth = 0, interval = 0, without = 0, typeThreeWithGroup = 0;
  for (const auto& c : caixas["rows"]) {
    auto packet = client.Envelope("getCarregaPar",
                                  {c[4].get<std::string>(), c[1].get<std::string>()})["packet"];
    ExpectValuesFit(packet);
    if (packet["rows"].empty()) {
      ++without;
      continue;
    }
    const auto& row = packet["rows"][0];
    types.insert(row[1].get<std::string>());
    (row[4] == "" && row[5] == "" ? currentMonth : interval)++;
    if (row[1] == "3" && row[2] != "" && row[8].is_string()) ++typeThreeWithGroup;
  }
  EXPECT_EQ(types, (std::set<std::string>{"1", "2", "3"}));
  EXPECT_GT(currentMonth, 0);
  EXPECT_GT(interval, 0);
  EXPECT_GT(without, 0);
  EXPECT_LT(without, static_cast<int>(caixas["rows"].size()) / 2);
  EXPECT_GT(typeThreeWithGroup, 0);
}

TEST(DemoData, IsTheSameEveryTimeAndNeverOverwritesData) {
  TempDir dir;
  auto a = TestDatabase::Create(dir, "a");
  auto b = TestDatabase::Create(dir, "b");
  json first;
  {
    ServerProcess server(ServerOn(a->Address(), true));
    ModuleClient client(server.Host(), server.Port());
    first = client.Envelope("getConfCaixa", {});
    ASSERT_EQ(client.Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  }
  {
    ServerProcess server(ServerOn(b->Address(), true));
    ModuleClient client(server.Host(), server.Port());
    EXPECT_EQ(client.Envelope("getConfCaixa", {}), first);
  }
  ServerProcess again(ServerOn(a->Address(), true));
  ModuleClient client(again.Host(), again.Port());
  auto row = client.Rows("getCarregaPar", {"0001", "001"});
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0][7], SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT))
      << "a second --demo must keep the saved record";
}

}  // namespace
}  // namespace totem::test

namespace totem::test {
namespace {

// Servers started together with --demo on one empty database: the check and
// the filling happen under one lock, so exactly one of them fills it.
TEST(DemoData, OfSeveralSeedersAtOnceOnlyOneFills) {
  TempDir dir;
  auto db = TestDatabase::Create(dir, "seeded");
  server::OpenStore(db->Address(), true);  // the schema, before the race
  std::atomic<int> filled{0};
  std::vector<std::thread> seeders;
  for (int i = 0; i < 4; ++i)
    seeders.emplace_back([&] {
      auto store = server::OpenStore(db->Address(), true);
      if (server::FillDemoData(*store)) ++filled;
    });
  for (auto& t : seeders) t.join();
  EXPECT_EQ(filled.load(), 1);
  EXPECT_EQ(db->Query("SELECT COUNT(*) FROM filial").at(0).at(0), "12");
}

}  // namespace
}  // namespace totem::test
