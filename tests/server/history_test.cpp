// The save history: every accepted save appends one row, in the same
// transaction, naming the caller's token and address and holding each value
// before and after; "totem-server history" prints it.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <thread>

namespace totem::test {
namespace {

constexpr const char* kToken = "caixa-central-0123456789";

class History : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = TestDatabase::Create(dir_, "totem");
    ImportSmallChain(dir_, db_->Address());
    WriteFile(dir_.File("tokens"), std::string("retaguarda ") + kToken + "\n");
    Start({});
  }
  void Start(std::vector<std::string> extraArgs) {
    extraArgs.insert(extraArgs.end(), {"--token-file", dir_.File("tokens")});
    server_ = std::make_unique<ServerProcess>(ServerOn(db_->Address(), false, extraArgs));
    client_ = Client();
  }
  std::unique_ptr<ModuleClient> Client() {
    auto client = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
    client->Http().set_bearer_token_auth(kToken);
    return client;
  }
  nlohmann::json Save(std::vector<std::string> args) {
    return client_->Envelope("setUpdParametros", args);
  }

  // number, time, token, client, message before, message after
  std::vector<std::vector<std::string>> Rows(const std::string& caixa = "001") {
    return db_->Query(
        "SELECT nrgravacao, dtgravacao, nmtoken, dscliente, COALESCE(dsmsginitot_antes, '<null>'),"
        " dsmsginitot_depois FROM parametro_totem_historico WHERE cdfilial = '0001' AND cdcaixa = "
        "'" +
        caixa + "' ORDER BY nrgravacao");
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_;
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
};

TEST_F(History, EverySaveAppendsARowWithItsCallerAndValues) {
  auto args = ValidSaveArgs();
  ASSERT_EQ(Save(args)["status"], "ok");
  SaveField(args, contract::col::DSMSGINITOT) = "Novo texto";
  SaveField(args, contract::col::NRSEGFECTOT) = "45";
  ASSERT_EQ(Save(args)["status"], "ok");
  ASSERT_EQ(Save(args)["status"], "ok");  // the same values again is a save too

  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);
  const std::vector<std::pair<std::string, std::string>> messages = {
      {"<null>", "Olá, bem-vindo!"},
      {"Olá, bem-vindo!", "Novo texto"},
      {"Novo texto", "Novo texto"}};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    EXPECT_EQ(rows[i][1].size(), 24u) << rows[i][1];  // 2025-05-01T12:00:00.123Z
    EXPECT_EQ(rows[i][1].back(), 'Z');
    EXPECT_EQ(rows[i][2], "retaguarda");
    EXPECT_EQ(rows[i][3], "127.0.0.1");
    EXPECT_EQ(rows[i][4], messages[i].first);
    EXPECT_EQ(rows[i][5], messages[i].second);
  }

  std::string output;
  ASSERT_EQ(
      ServerProcess::RunTool(
          {"history", "--db", db_->Address(), "--branch", "0001", "--register", "001"}, &output),
      0)
      << output;
  for (const std::string part :
       {"caixa 001 da filial 0001: 3 gravações", "#1  ",
        "token retaguarda  cliente 127.0.0.1  (primeira gravação)",
        "Mensagem inicial (DSMSGINITOT): - -> \"Olá, bem-vindo!\"",
        "Mensagem inicial (DSMSGINITOT): \"Olá, bem-vindo!\" -> \"Novo texto\"",
        "Segundos para fechar a consulta (NRSEGFECTOT): \"60\" -> \"45\"",
        "(nenhum valor alterado)"}) {
    EXPECT_NE(output.find(part), std::string::npos) << part << "\n" << output;
  }
  EXPECT_EQ(output.find(kToken), std::string::npos);
}

TEST_F(History, AFailedHistoryWriteUndoesTheSave) {
  auto args = ValidSaveArgs();
  ASSERT_EQ(Save(args)["status"], "ok");
  const auto before = client_->Rows("getCarregaPar", {"0001", "001"});
  db_->Query("DROP TABLE parametro_totem_historico");

  SaveField(args, contract::col::DSMSGINITOT) = "Nunca gravado";
  EXPECT_EQ(Save(args)["code"], "ERRO_BD");
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"}), before);
  SaveField(args, contract::col::CDCAIXA) = "002";
  EXPECT_EQ(Save(args)["code"], "ERRO_BD");
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "002"}), nlohmann::json::array());
}

TEST_F(History, ConcurrentSavesOfOneRegisterFormAnUnbrokenChain) {
  constexpr int kWriters = 4;
  constexpr int kSavesEach = 8;
  std::vector<std::thread> writers;
  std::vector<int> failures(kWriters, 0);
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      auto client = Client();
      for (int n = 0; n < kSavesEach; ++n) {
        auto args = ValidSaveArgs();
        SaveField(args, contract::col::DSMSGINITOT) =
            "escritor " + std::to_string(w) + " gravação " + std::to_string(n);
        try {
          if (client->Envelope("setUpdParametros", args)["status"] != "ok") ++failures[w];
        } catch (const std::exception&) {
          ++failures[w];
        }
      }
    });
  }
  for (auto& writer : writers) writer.join();
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(failures[w], 0) << "writer " << w;

  // Numbered 1..N without gaps, and each save saw what the one before wrote.
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(kWriters * kSavesEach));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    EXPECT_EQ(rows[i][4], i == 0 ? "<null>" : rows[i - 1][5]);
  }
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"})[0][7], rows.back()[5]);
}

TEST_F(History, TheClientBehindATrustedProxyIsTheLastForwardedAddress) {
  struct Case {
    const char* what;
    bool trusted;
    std::optional<std::string> forwarded;
    std::string recorded;
  };
  const std::vector<Case> cases = {
      {"no proxy", false, std::nullopt, "127.0.0.1"},
      {"header from an untrusted peer", false, "198.51.100.7", "127.0.0.1"},
      {"trusted proxy", true, "198.51.100.7, 203.0.113.9", "203.0.113.9"},
      {"trusted proxy, IPv6 client", true, "2001:db8::5", "2001:db8::5"},
      {"trusted proxy, not an address", true, "203.0.113.9, evil\"name", "127.0.0.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.trusted)
      Start({"--trusted-proxy", "127.0.0.1"});
    else
      Start({});
    httplib::Headers headers;
    if (c.forwarded) headers.emplace("X-Forwarded-For", *c.forwarded);
    const auto body = nlohmann::json{
        {"jsonrpc", "2.0"},
        {"id", 1},
        {"method", "setUpdParametros"},
        {"params",
         ValidSaveArgs()}}.dump();
    auto answer = client_->Http().Post(kModulePath, headers, body, "application/json");
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200);
    const auto rows = Rows();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back()[3], c.recorded);
  }
}

TEST(HistoryCommand, ReportsAMissingDatabaseWithoutCreatingIt) {
  TempDir dir;
  std::string output;
  EXPECT_EQ(ServerProcess::RunTool({"history", "--db", "sqlite:" + dir.File("nao-existe.db"),
                                    "--branch", "0001", "--register", "001"},
                                   &output),
            1);
  EXPECT_NE(output.find("não existe"), std::string::npos) << output;
  EXPECT_FALSE(std::filesystem::exists(dir.File("nao-existe.db")));
}

}  // namespace
}  // namespace totem::test
