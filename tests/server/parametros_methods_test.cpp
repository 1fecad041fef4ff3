// The six methods of the parameter module through a real server process over
// a real SQLite file holding a small imported chain.
#include "tests/server/module_client.h"
#include "tests/support/save_args.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

namespace totem::test {
namespace {

using nlohmann::json;

json Field(const std::string& name, int size, const std::string& type = "string") {
  return {{"name", name}, {"type", type}, {"size", size}};
}

class ParametrosMethods : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = TestDatabase::Create(dir_, "totem");
    ImportSmallChain(dir_, db_->Address());
    server_ = std::make_unique<ServerProcess>(ServerOn(db_->Address()));
    client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  }

  json Load(const std::string& filial, const std::string& caixa) {
    return client_->Rows("getCarregaPar", {filial, caixa});
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_;
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
};

TEST_F(ParametrosMethods, ListsCarryTheirColumnsAndAreOrderedByCode) {
  auto filiais = client_->Envelope("getFilial", {});
  EXPECT_EQ(filiais["packet"]["fields"],
            json::array({Field("CDFILIAL", 4), Field("NMFILIAL", 30)}));
  EXPECT_EQ(filiais["packet"]["rows"],
            json::parse(
                R"([["0001","Matriz \"Centro\""],["0002","Filial Savassi"],["0003","Depósito"]])"));

  auto caixas = client_->Envelope("getConfCaixa", {});
  EXPECT_EQ(caixas["packet"]["fields"],
            json::array({Field("CHAVE", 10), Field("CDCAIXA", 3), Field("NMCAIXA", 30),
                         Field("NMLOJA", 50), Field("CDFILIAL", 4), Field("CDLOJA", 20)}));
  EXPECT_EQ(caixas["packet"]["rows"], json::parse(R"([
      ["0001001","001","Caixa Principal","Loja Centro","0001","LJ01"],
      ["0001002","002","Caixa Rápido","Loja Centro","0001","LJ01"],
      ["0002001","001","Caixa Único","Loja Savassi, piso 2","0002","LJ02"]])"));

  auto grupos = client_->Envelope("getPesqGrupProd", {});
  EXPECT_EQ(grupos["packet"]["fields"],
            json::array({Field("CDGRUPPROD", 10), Field("NMGRUPPROD", 40),
                         Field("DTULTATUGPPR", 0, "datetime"), Field("IDCADNVSUBGR", 1),
                         Field("IDGRPRODVMN", 1)}));
  EXPECT_EQ(grupos["packet"]["rows"], json::parse(R"([
      ["010","Bebidas","2024-03-15T10:30:00","S","N"],
      ["020","Sobremesas","2024-05-01T08:00:00","N","S"],
      ["030","Açaí e Vitaminas",null,null,null]])"));
}

TEST_F(ParametrosMethods, CarregaParDescribesItsColumnsEvenWithoutRows) {
  // An unknown register, a register without a record, and the empty code the
  // screen sends for a branch without registers all load as "no record".
  for (const auto& [filial, caixa] : std::vector<std::pair<std::string, std::string>>{
           {"0001", "002"}, {"0001", "999"}, {"0003", ""}, {"", ""}}) {
    SCOPED_TRACE(filial + "/" + caixa);
    auto envelope = client_->Envelope("getCarregaPar", {filial, caixa});
    ASSERT_EQ(envelope["status"], "ok");
    EXPECT_EQ(
        envelope["packet"]["fields"],
        json::array({Field("IDSELLOJTOT", 1), Field("IDTIPEXTTOT", 1), Field("CDGRUPPROD", 10),
                     Field("IDEXIMSGSAL", 1), Field("NRDIAINITOT", 2), Field("NRDIAFINTOT", 2),
                     Field("NRSEGFECTOT", 5), Field("DSMSGINITOT", 200), Field("NMGRUPPROD", 40),
                     Field("DSMSGADITOT", 200), Field("IDINFCLIECAI", 20),
                     Field("DSMSGCONTOT", 200)}));
    EXPECT_EQ(envelope["packet"]["rows"], json::array());
  }
}

TEST_F(ParametrosMethods, SaveStoresEveryValueInItsColumnAndEchoesTheArguments) {
  auto args = ValidSaveArgs();
  auto response = client_->Call("setUpdParametros", args);
  EXPECT_EQ(response["result"]["envelope"], json::parse(R"({"status":"ok","packet":null})"));
  EXPECT_EQ(response["result"]["params"], json(args));

  // Each value in the column it belongs to, the group's name joined in.
  EXPECT_EQ(Load("0001", "001"),
            json::parse(R"([["S","3","010","S","5","20","60","Olá, bem-vindo!","Bebidas",
                             "Mensagem adicional","N","Digite seu código"]])"));
  // Another register of the same branch is untouched.
  EXPECT_EQ(Load("0001", "002"), json::array());
}

TEST_F(ParametrosMethods, SaveUpdatesAnExistingRecord) {
  ASSERT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  // Statement type 1 from the screen: no group, current month.
  std::vector<std::string> args = {"0001", "001",        "1", "",  "N", "", "",
                                   "45",   "Novo texto", "",  "N", "S", ""};
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  EXPECT_EQ(Load("0001", "001"),
            json::parse(R"([["N","1","","N","","","45","Novo texto",null,"","S",""]])"));
}

// A read is answered as before only while nothing was committed since, by
// this server or by another program writing the same database.
TEST_F(ParametrosMethods, AReadSeesEveryCommitOfAnyProgram) {
  constexpr std::size_t kMessage = 7;
  const std::string where = " WHERE cdfilial = '0001' AND cdcaixa = '001'";
  ASSERT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  const json saved = Load("0001", "001");
  ASSERT_EQ(Load("0001", "001"), saved);
  db_->Query("UPDATE parametro_totem SET dsmsginitot = 'Por fora'" + where);
  EXPECT_EQ(Load("0001", "001")[0][kMessage], "Por fora");
  std::vector<std::string> args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Pelo servidor";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  EXPECT_EQ(Load("0001", "001")[0][kMessage], "Pelo servidor");
  db_->Query("DELETE FROM parametro_totem" + where);
  EXPECT_EQ(Load("0001", "001"), json::array());
}

TEST_F(ParametrosMethods, UnknownFlagsAndStatementTypesPassThrough) {
  // Only type "3" needs a known group; other texts are kept as sent.
  std::vector<std::string> args = {"0002", "001", "9", "ZZZ", "X",        "7", "",
                                   "0",    "",    "",  "?",   "QUALQUER", ""};
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  EXPECT_EQ(Load("0002", "001"),
            json::parse(R"([["?","9","ZZZ","X","7","","0","",null,"","QUALQUER",""]])"));
}

TEST_F(ParametrosMethods, VerifParAnswersTheKeyOrCaixaNaoCadastrado) {
  EXPECT_EQ(client_->Envelope("getVerifPar", {"0001", "002"}),
            json::parse(R"({"status":"ok","packet":{"fields":[
                {"name":"CDFILIAL","type":"string","size":4},
                {"name":"CDCAIXA","type":"string","size":3}],"rows":[["0001","002"]]}})"));
  for (const auto& [filial, caixa] : std::vector<std::pair<std::string, std::string>>{
           {"0001", "003"}, {"0002", "002"}, {"0003", ""}, {"9999", "001"}}) {
    SCOPED_TRACE(filial + "/" + caixa);
    EXPECT_EQ(
        client_->Envelope("getVerifPar", {filial, caixa}),
        json::parse(R"({"status":"error","code":"CAIXA_N","message":"Caixa não cadastrado."})"));
  }
}

struct Refused {
  const char* what;
  std::vector<std::pair<int, std::string>> changes;  // argument index, new value
  const char* code;
  const char* message;  // the message, or a part of it
};

// Every refusal leaves the stored record exactly as it was.
TEST_F(ParametrosMethods, RefusedSavesWriteNothing) {
  const std::vector<Refused> cases = {
      {"unknown register", {{1, "009"}}, "CAIXA_N", "Caixa não cadastrado."},
      {"unknown branch", {{0, "0099"}}, "CAIXA_N", "Caixa não cadastrado."},
      {"register of another branch", {{0, "0002"}, {1, "002"}}, "CAIXA_N", nullptr},
      {"statement type too long", {{2, "33"}}, "TAM_CAMPO", "Tipo de extrato"},
      {"group code too long", {{3, "01234567890"}}, "TAM_CAMPO", "Grupo de produtos"},
      {"seconds too long", {{7, "123456"}}, "TAM_CAMPO", "Segundos"},
      {"flag too long", {{11, std::string(21, 'S')}}, "TAM_CAMPO", nullptr},
      {"additional message too long",
       {{9, std::string(201, 'x')}},
       "TAM_CAMPO",
       "Mensagem adicional"},
      {"day with a letter", {{5, "1a"}}, "NUM_INV", "Dia inicial"},
      {"day with a space", {{6, " 5"}}, "NUM_INV", "Dia final"},
      {"negative seconds", {{7, "-5"}}, "NUM_INV", nullptr},
      {"first day zero", {{5, "0"}}, "DTINF", "Data inválida."},
      {"last day 32", {{6, "32"}}, "DTINF", "Data inválida."},
      {"first day after last",
       {{5, "21"}, {6, "20"}},
       "DTMENOR",
       "Data inicial não pode ser maior que a data final"},
      {"type 3 without group", {{3, ""}}, "GRUP_INF", "Grupo de produtos deve ser informado."},
      {"type 3 with unknown group", {{3, "999"}}, "GRUP_N", "Grupo de produtos não cadastrado."},
      {"NUL inside a message", {{8, std::string("a\0b", 3)}}, "TEXTO_INV", nullptr},
  };
  std::vector<std::string> stored = {"0001", "001",   "2", "",  "N", "", "",
                                     "30",   "Antes", "",  "N", "N", ""};
  ASSERT_EQ(client_->Envelope("setUpdParametros", stored)["status"], "ok");
  const json before = Load("0001", "001");

  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto args = ValidSaveArgs();
    for (const auto& [index, value] : c.changes) args[static_cast<std::size_t>(index)] = value;
    auto response = client_->Call("setUpdParametros", args);
    auto envelope = response["result"]["envelope"];
    EXPECT_EQ(envelope["status"], "error");
    EXPECT_EQ(envelope["code"], c.code);
    if (c.message) {
      EXPECT_NE(envelope["message"].get<std::string>().find(c.message), std::string::npos)
          << envelope["message"];
    }
    EXPECT_EQ(response["result"]["params"], json(args));
    EXPECT_EQ(Load("0001", "001"), before);
    EXPECT_EQ(Load("0001", "002"), json::array());
    EXPECT_EQ(db_->Query("SELECT COUNT(*) FROM parametro_totem_historico"),
              (std::vector<std::vector<std::string>>{{"1"}}))
        << "only the accepted save has a history row";
  }
}

TEST_F(ParametrosMethods, MessageSizeCountsCharactersNotBytes) {
  std::string accented;
  for (int i = 0; i < 200; ++i) accented += i % 2 ? "ã" : "é";  // 200 characters, 400 bytes
  auto args = ValidSaveArgs();
  for (int index : {8, 9, 12}) args[static_cast<std::size_t>(index)] = accented;
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  auto row = Load("0001", "001").at(0);
  EXPECT_EQ(row[7], accented);
  EXPECT_EQ(row[9], accented);
  EXPECT_EQ(row[11], accented);

  SaveField(args, contract::col::DSMSGINITOT) = accented + "ç";
  EXPECT_EQ(client_->Envelope("setUpdParametros", args)["code"], "TAM_CAMPO");
}

TEST_F(ParametrosMethods, StoreFailureIsReportedWithoutDatabaseText) {
  // Losing the table makes every statement on it fail inside the server.
  db_->Query("DROP TABLE parametro_totem");

  for (const auto& [method, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"getCarregaPar", {"0001", "001"}}, {"setUpdParametros", ValidSaveArgs()}}) {
    SCOPED_TRACE(method);
    auto envelope = client_->Envelope(method, args);
    EXPECT_EQ(envelope["status"], "error");
    EXPECT_EQ(envelope["code"], "ERRO_BD");
    const auto message = envelope["message"].get<std::string>();
    EXPECT_EQ(message.find("parametro_totem"), std::string::npos) << message;
    EXPECT_EQ(message.find("SQL"), std::string::npos) << message;
  }
  EXPECT_EQ(client_->Envelope("getFilial", {})["status"], "ok");
}

}  // namespace
}  // namespace totem::test
