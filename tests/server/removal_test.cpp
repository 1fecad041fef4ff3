// "totem-server remover / reativar / purgar" beside a running server: a
// removed register or branch leaves the screen's lists and its kiosks' read
// path (404, even for a kiosk the server had answered before), comes back
// as it was, and a purge deletes it for good; the history names who did it.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <thread>

namespace totem::test {
namespace {

class Removal : public ::testing::Test {
 protected:
  void SetUp() override {
    ImportSmallChain(dir_, db_->Address());
    server_ = std::make_unique<ServerProcess>(
        ServerOn(db_->Address(), false, {"--sondagem-sqlite", "20"}));
    client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  }
  int Tool(std::vector<std::string> args, std::string* output) {
    args.insert(args.end(), {"--db", db_->Address()});
    return ServerProcess::RunTool(args, output);
  }
  int Kiosk(const std::string& filial, const std::string& caixa) {
    httplib::Client http(server_->Host(), server_->Port());
    auto result = http.Get("/kiosk/v1/parametros/" + filial + "/" + caixa);
    return result ? result->status : 0;
  }
  // The server hears of another program's change within its polling time.
  bool KioskTurns(const std::string& filial, const std::string& caixa, int status) {
    for (int i = 0; i < 500; ++i) {
      if (Kiosk(filial, caixa) == status) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  std::string Registers() { return client_->Rows("getConfCaixa", {}).dump(); }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
};

TEST_F(Removal, ARemovedRegisterOrBranchIsGoneUntilBroughtBackAndAPurgeDeletesIt) {
  ASSERT_EQ(Kiosk("0001", "001"), 200);
  std::string output;
  ASSERT_EQ(Tool({"remover", "caixa", "0001", "001", "--autor", "Maria Souza"}, &output), 0)
      << output;
  EXPECT_TRUE(KioskTurns("0001", "001", 404));
  EXPECT_EQ(Registers().find("Caixa Principal"), std::string::npos);
  EXPECT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "error");

  struct Refusal {
    std::vector<std::string> args;
    int code;
    const char* says;
  };
  const std::vector<Refusal> refusals = {
      {{"remover", "caixa", "1", "1"},
       1,
       "caixa 001 da filial 0001"},  // the code without zeros: which one?
      {{"remover", "caixa", "0001", "001"}, 1, "já está removido (em "},
      {{"reativar", "filial", "0001"}, 1, "não está removida"},
      {{"remover", "filial", "0001", "001"}, 2, "leva só o código da filial"},
      {{"remover", "loja", "0001"}, 2, "\"caixa\" ou \"filial\""},
  };
  for (const auto& r : refusals) {
    SCOPED_TRACE(r.args[0] + " " + r.args[1]);
    EXPECT_EQ(Tool(r.args, &output), r.code);
    EXPECT_NE(output.find(r.says), std::string::npos) << output;
  }

  ASSERT_EQ(Tool({"reativar", "caixa", "0001", "001"}, &output), 0) << output;
  EXPECT_TRUE(KioskTurns("0001", "001", 200));
  EXPECT_NE(Registers().find("Caixa Principal"), std::string::npos);

  ASSERT_EQ(Tool({"remover", "filial", "0002"}, &output), 0) << output;
  EXPECT_TRUE(KioskTurns("0002", "001", 404));
  EXPECT_EQ(client_->Rows("getFilial", {}).dump().find("0002"), std::string::npos);
  ASSERT_EQ(Tool({"purgar"}, &output), 0) << output;
  EXPECT_EQ(db_->Query("SELECT COUNT(*) FROM caixa WHERE cdfilial = '0002'"),
            (std::vector<std::vector<std::string>>{{"0"}}));
  EXPECT_EQ(Tool({"reativar", "filial", "0002"}, &output), 1);

  // The same from a register file: ATIVO N removes, S brings back, empty
  // leaves as it is; anything else stops the file.
  WriteFile(
      dir_.File("ativo.csv"),
      "CDFILIAL;CDCAIXA;NMCAIXA;CDLOJA;NMLOJA;ATIVO\r\n"
      "0001;002;Caixa Rápido;LJ01;Loja Centro;N\r\n0001;001;Caixa Principal;LJ01;Loja Centro;\r\n");
  ASSERT_EQ(Tool({"import", dir_.File("ativo.csv")}, &output), 0) << output;
  EXPECT_TRUE(KioskTurns("0001", "002", 404));
  EXPECT_EQ(Kiosk("0001", "001"), 200);
  WriteFile(dir_.File("ativo.csv"),
            "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA,ATIVO\n0001,002,Caixa Rápido,LJ01,L,sim\n");
  EXPECT_EQ(Tool({"import", dir_.File("ativo.csv")}, &output), 1);
  EXPECT_NE(output.find(":2:"), std::string::npos) << output;

  ASSERT_EQ(Tool({"history", "--branch", "0001", "--register", "001"}, &output), 0);
  EXPECT_NE(output.find("caixa removido por remover:Maria Souza"), std::string::npos) << output;
  EXPECT_NE(output.find("caixa reativado por reativar:"), std::string::npos) << output;
}

}  // namespace
}  // namespace totem::test
