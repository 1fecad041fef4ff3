// Copying a register's record to others and reading its history, through a
// real server over each store.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace totem::test {
namespace {

using nlohmann::json;

class CopyAndHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = TestDatabase::Create(dir_, "totem");
    ImportSmallChain(dir_, db_->Address());
    server_ = std::make_unique<ServerProcess>(ServerOn(db_->Address()));
    client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
    ASSERT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  }
  // The envelope of a copy method from 0001/001 to these destinations.
  json Copy(const std::string& method, const json& destinos) {
    auto response = client_->CallJson(method, json::array({"0001", "001", destinos}));
    return response.contains("result") ? response["result"]["envelope"] : response["error"];
  }
  std::vector<std::vector<std::string>> Stored() {
    return db_->Query(
        "SELECT p.cdfilial, p.cdcaixa, p.dsmsginitot, (SELECT COUNT(*) FROM "
        "parametro_totem_historico)"
        " FROM parametro_totem p ORDER BY p.cdfilial, p.cdcaixa");
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_;
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
};

TEST_F(CopyAndHistory, PreviewSaysWhatWouldChangeAndWritesNothing) {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::CDCAIXA) = "002";
  SaveField(args, contract::col::DSMSGINITOT) = "Outra mensagem";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  const auto before = Stored();
  auto envelope = Copy("getCopiaPrevia",
                       json::array({json::array({"0001", "002"}), json::array({"0002", "001"}),
                                    json::array({"0001", "001"}), json::array({"0009", "999"})}));
  ASSERT_EQ(envelope["status"], "ok") << envelope;
  std::vector<std::string> seen;
  for (const auto& row : envelope["packet"]["rows"])
    seen.push_back(row[0].get<std::string>() + "/" + row[1].get<std::string>() + " " +
                   row[2].get<std::string>() + " " + row[3].get<std::string>());
  EXPECT_EQ(seen[0], "0001/002 ALTERA DSMSGINITOT");
  EXPECT_EQ(seen.size(), 1 + 11 + 1 + 1u) << "one change, eleven from nothing, source, unknown";
  EXPECT_EQ(seen[1], "0002/001 ALTERA IDTIPEXTTOT");
  EXPECT_EQ(seen[12], "0001/001 ORIGEM ");
  EXPECT_EQ(seen[13], "0009/999 DESCONHECIDO ");
  EXPECT_EQ(Stored(), before);
}

TEST_F(CopyAndHistory, CopyIsAllOrNothingAndOnlyChangedRegistersGetAHistoryRow) {
  const auto before = Stored();
  auto refused = Copy("setCopiaParametros",
                      json::array({json::array({"0002", "001"}), json::array({"0009", "999"})}));
  EXPECT_EQ(refused["code"], "DESTINO_N") << refused;
  EXPECT_EQ(refused["message"], "Caixa de destino não cadastrado: 0009/999.");
  EXPECT_EQ(Stored(), before) << "a bad destination writes nothing";

  auto copied = Copy("setCopiaParametros",
                     json::array({json::array({"0002", "001"}), json::array({"0001", "002"})}));
  ASSERT_EQ(copied["status"], "ok") << copied;
  EXPECT_EQ(copied["packet"]["rows"], json::parse(R"([["2","0","1"]])")) << "copy number 1";
  EXPECT_EQ(db_->Query("SELECT dsmsginitot, dsorigem FROM parametro_totem p JOIN"
                       " parametro_totem_historico h USING (cdfilial, cdcaixa)"
                       " WHERE cdfilial = '0002'"),
            (std::vector<std::vector<std::string>>{{"Olá, bem-vindo!", "0001/001"}}));
  auto again = Copy("setCopiaParametros", json::array({json::array({"0002", "001"})}));
  EXPECT_EQ(again["packet"]["rows"], json::parse(R"([["0","1",""]])"));
  EXPECT_EQ(db_->Query("SELECT COUNT(*) FROM parametro_totem_historico").at(0).at(0), "3")
      << "an equal destination gets no history row";
}

TEST_F(CopyAndHistory, HistoryPagesNewestFirstWithoutGapsOrRepeats) {
  auto args = ValidSaveArgs();
  for (int i = 2; i <= 7; ++i) {
    SaveField(args, contract::col::NRSEGFECTOT) = std::to_string(i);  // seconds
    ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  }
  std::vector<std::string> numbers;
  std::string before;
  for (int page = 0; page < 4; ++page) {
    auto rows = client_->Rows("getHistParametros", {"0001", "001", "3", before});
    for (const auto& row : rows)
      if (numbers.empty() || numbers.back() != row[0]) numbers.push_back(row[0]);
    if (!rows.empty()) before = rows.back()[0];
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"7", "6", "5", "4", "3", "2", "1"}));
  auto newest = client_->Rows("getHistParametros", {"0001", "001", "1", ""});
  EXPECT_EQ(newest, json::parse(R"([["7",)" + newest[0][1].dump() +
                                R"(,"","127.0.0.1","","NRSEGFECTOT","6","7","","",""]])"));
}

// "branch/register situation field before>after" of a preview's rows.
std::vector<std::string> Seen(const json& envelope) {
  std::vector<std::string> seen;
  for (const auto& row : envelope["packet"]["rows"])
    seen.push_back(row[0].get<std::string>() + "/" + row[1].get<std::string>() + " " +
                   row[2].get<std::string>() + " " + row[3].get<std::string>() + " " +
                   row[4].get<std::string>() + ">" + row[5].get<std::string>());
  return seen;
}

TEST_F(CopyAndHistory, ARestoreIsANewSaveWithTheValuesOfTheSaveItNames) {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Errado";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  const auto before = Stored();
  EXPECT_EQ(Seen(client_->Envelope("getRestauraPrevia", {"0001", "001", "1"})),
            (std::vector<std::string>{"0001/001 ALTERA DSMSGINITOT Errado>" +
                                      SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT)}));
  EXPECT_EQ(Stored(), before) << "a preview writes nothing";

  EXPECT_EQ(client_->Rows("setRestauraParametros", {"0001", "001", "1"}),
            json::parse(R"([["3"]])"));
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"})[0][7],
            SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT));
  const auto newest = client_->Rows("getHistParametros", {"0001", "001", "1", ""});
  ASSERT_EQ(newest.size(), 1u);
  EXPECT_EQ(newest[0][5], "DSMSGINITOT");
  EXPECT_EQ(newest[0][9], "1") << "the row names the save restored";
  EXPECT_EQ(Seen(client_->Envelope("getRestauraPrevia", {"0001", "001", "3"})),
            (std::vector<std::string>{"0001/001 IGUAL  >"}));

  // Save 0: as before the first save, without a record (a stray first
  // save of an empty record is taken back whole).
  EXPECT_EQ(client_->Envelope("getRestauraPrevia", {"0001", "001", "0"})["packet"]["rows"].size(),
            11u);
  EXPECT_EQ(client_->Rows("setRestauraParametros", {"0001", "001", "0"}),
            json::parse(R"([["4"]])"));
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"}), json::array());
  EXPECT_EQ(client_->Rows("setRestauraParametros", {"0001", "001", "2"}),
            json::parse(R"([["5"]])"));
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"})[0][7], "Errado");
}

TEST_F(CopyAndHistory, UndoingACopyPutsBackOnlyTheDestinationsNotSavedSince) {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::CDCAIXA) = "002";
  SaveField(args, contract::col::DSMSGINITOT) = "Outra mensagem";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  const json both = json::array({json::array({"0001", "002"}), json::array({"0002", "001"})});
  ASSERT_EQ(Copy("setCopiaParametros", both)["packet"]["rows"][0][2], "1");
  EXPECT_EQ(client_->Rows("getHistParametros", {"0002", "001", "1", ""})[0][8], "1");
  auto preview = Seen(client_->Envelope("getDesfazCopiaPrevia", {"1"}));
  ASSERT_EQ(preview.size(), 1 + 11u) << "one value back, eleven back to no record";
  EXPECT_EQ(preview[0], "0001/002 RESTAURA DSMSGINITOT " +
                            SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT) +
                            ">Outra mensagem");
  EXPECT_EQ(preview[1], "0002/001 RESTAURA IDTIPEXTTOT " +
                            SaveField(ValidSaveArgs(), contract::col::IDTIPEXTTOT) + ">");

  SaveField(args, contract::col::DSMSGINITOT) = "Gravado depois da cópia";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  const auto kept = client_->Envelope("getDesfazCopiaPrevia", {"1"})["packet"]["rows"][0];
  EXPECT_EQ(kept[2], "MANTIDO");
  EXPECT_EQ(kept[6], client_->Rows("getHistParametros", {"0001", "002", "1", ""})[0][1])
      << "says when it was saved since";
  EXPECT_EQ(client_->Rows("setDesfazCopia", {"1"}), json::parse(R"([["1","1"]])"));
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0002", "001"}), json::array()) << "had no record";
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "002"})[0][7],
            SaveField(args, contract::col::DSMSGINITOT));
  EXPECT_EQ(client_->Rows("getHistParametros", {"0002", "001", "1", ""})[0][10], "1");

  EXPECT_EQ(client_->Rows("setDesfazCopia", {"1"}), json::parse(R"([["0","2"]])"))
      << "a second undo does nothing";
  EXPECT_EQ(Seen(client_->Envelope("getDesfazCopiaPrevia", {"1"})),
            (std::vector<std::string>{"0001/002 MANTIDO  >", "0002/001 DESFEITO  >"}));
}

TEST_F(CopyAndHistory, TheCommandLinePreviewsAndPutsBackAsTheMethodsDo) {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Errado";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  ASSERT_EQ(Copy("setCopiaParametros", json::array({json::array({"0001", "002"})}))["status"],
            "ok");
  const auto before = Stored();
  const std::string db = db_->Address();
  const struct {
    std::vector<std::string> args;
    int code;
    std::vector<std::string> said;
  } runs[] = {
      {{"restaurar", "0001", "001", "1", "--simular"},
       0,
       {"caixa 0001/001: volta aos valores de antes",
        "Mensagem inicial (DSMSGINITOT): \"Errado\" -> \"Olá, bem-vindo!\"",
        "Simulação: nada foi gravado."}},
      {{"desfazer-copia", "1", "--simular"}, 0, {"caixa 0001/002: volta aos valores de antes"}},
      {{"desfazer-copia", "9"}, 1, {"A cópia 9 não está no histórico.", "nada foi alterado"}},
      {{"restaurar", "0001", "002", "5"}, 1, {"A gravação 5 não está no histórico do caixa"}},
      {{"restaurar", "0001", "001", "1", "--autor", "maria"},
       0,
       {"Restaurado por restaurar:maria: gravação 3 do caixa."}},
      {{"desfazer-copia", "1", "--autor", "maria"},
       0,
       {"Cópia 1 desfeita por desfazer-copia:maria: 1 caixa restaurado, 0 mantidos."}},
      {{"history", "--branch", "0001", "--register", "002"},
       0,
       {"(cópia 1 de 0001/001)", "(desfaz a cópia 1)  (deixou o caixa sem parâmetros)"}},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.args[0] + " " + run.args[1]);
    auto line = run.args;
    line.insert(line.end(), {"--db", db});
    std::string output;
    EXPECT_EQ(ServerProcess::RunTool(line, &output), run.code) << output;
    for (const auto& part : run.said)
      EXPECT_NE(output.find(part), std::string::npos) << part << "\n" << output;
    if (&run - runs < 4) {
      EXPECT_EQ(Stored(), before) << "a simulation or a refusal writes nothing";
    }
  }
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"})[0][7],
            SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT));
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "002"}), json::array());
}

TEST_F(CopyAndHistory, RefusalsCarryTheirCodes) {
  std::vector<json> tooMany(10001, json::array({"0002", "001"}));
  const struct {
    const char* what;
    json params;
    std::string code;  // an envelope's code, or a JSON-RPC fault's number
  } cases[] = {
      {"no destinations", json::array({"0001", "001", json::array()}), "DESTINOS_VAZIO"},
      {"too many", json::array({"0001", "001", tooMany}), "DESTINOS_MAX"},
      {"not a pair", json::array({"0001", "001", json::array({json::array({"0002"})})}),
       "DESTINOS_INV"},
      {"a code too long",
       json::array({"0001", "001", json::array({json::array({"00021", "001"})})}), "DESTINOS_INV"},
      {"a source without a record",
       json::array({"0001", "002", json::array({json::array({"0002", "001"})})}), "ORIGEM_N"},
      {"an unknown source",
       json::array({"0009", "001", json::array({json::array({"0002", "001"})})}), "CAIXA_N"},
      {"a text where the list goes", json::array({"0001", "001", "0002/001"}), "-32602"},
  };
  for (const auto& c : cases) {
    for (const char* method : {"getCopiaPrevia", "setCopiaParametros"}) {
      SCOPED_TRACE(std::string(c.what) + " " + method);
      auto response = client_->CallJson(method, c.params);
      const json said = response.contains("error") ? response["error"]["code"]
                                                   : response["result"]["envelope"]["code"];
      EXPECT_EQ(said.is_number() ? std::to_string(said.get<int>()) : said.get<std::string>(),
                c.code);
    }
  }
  for (const auto& [limit, before] : {std::pair{"0", ""}, {"501", ""}, {"x", ""}, {"3", "-1"}})
    EXPECT_EQ(client_->Envelope("getHistParametros", {"0001", "001", limit, before})["code"],
              "PAGINA_INV");
  EXPECT_EQ(client_->Envelope("getHistParametros", {"0009", "001", "3", ""})["code"], "CAIXA_N");
  // Each refusal of putting back, from the preview and from the write.
  const std::tuple<const char*, const char*, std::vector<std::string>, std::string> undo[] = {
      {"getRestauraPrevia", "setRestauraParametros", {"0001", "001", "2"}, "GRAVACAO_N"},
      {"getRestauraPrevia", "setRestauraParametros", {"0001", "001", "-1"}, "GRAVACAO_N"},
      {"getRestauraPrevia", "setRestauraParametros", {"0001", "002", "0"}, "GRAVACAO_N"},
      {"getRestauraPrevia", "setRestauraParametros", {"0009", "001", "1"}, "CAIXA_N"},
      {"getDesfazCopiaPrevia", "setDesfazCopia", {"1"}, "COPIA_N"},
      {"getDesfazCopiaPrevia", "setDesfazCopia", {"x"}, "COPIA_N"},
  };
  for (const auto& [preview, write, params, code] : undo) {
    for (const char* method : {preview, write}) {
      SCOPED_TRACE(std::string(method) + " " + nlohmann::json(params).dump());
      EXPECT_EQ(client_->Envelope(method, params)["code"], code);
    }
  }
}

// A franchisee's token sees and changes its branch and one register of
// another; any other register is refused, named, before it is looked up.
TEST_F(CopyAndHistory, AScopedTokenSeesAndChangesOnlyWhatItReaches) {
  auto mine = ValidSaveArgs();  // 0001/002's record, copied to 0001/001 as copy 1
  SaveField(mine, contract::col::CDCAIXA) = "002";
  SaveField(mine, contract::col::DSMSGINITOT) = "Da franquia";
  ASSERT_EQ(client_->Envelope("setUpdParametros", mine)["status"], "ok");
  ASSERT_EQ(client_->CallJson(
                "setCopiaParametros",
                {"0001", "002",
                 json::array({json::array({"0001", "001"})})})["result"]["envelope"]["status"],
            "ok");
  WriteFile(dir_.File("tokens"),
            "franquia franquia-0002-a1b2c3d4e5 escrita 0002,0001/002\n"
            "consulta consulta-0123456789 leitura\n");
  server_ = std::make_unique<ServerProcess>(
      ServerOn(db_->Address(), false, {"--token-file", dir_.File("tokens")}));
  client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  client_->Http().set_bearer_token_auth("franquia-0002-a1b2c3d4e5");
  EXPECT_EQ(client_->Rows("getFilial", {}),
            json::parse(R"([["0001","Matriz \"Centro\""],["0002","Filial Savassi"]])"));
  std::vector<std::string> caixas;
  for (const auto& row : client_->Rows("getConfCaixa", {})) caixas.push_back(row[0]);
  EXPECT_EQ(caixas, (std::vector<std::string>{"0001002", "0002001"}));

  // Answers kept for a token that reaches every register are not another's.
  ModuleClient reader(server_->Host(), server_->Port());
  reader.Http().set_bearer_token_auth("consulta-0123456789");
  ASSERT_EQ(reader.Envelope("getCarregaPar", {"0001", "001"})["status"], "ok");
  ASSERT_EQ(reader.Envelope("getVerifPar", {"0009", "999"})["status"], "error");

  const auto before = Stored();
  const auto to = [](const char* filial, const char* caixa) {
    return json::array({json::array({filial, caixa})});
  };
  const std::tuple<std::string, json, std::string> cases[] = {
      {"setUpdParametros", ValidSaveArgs(), "0001/001"},
      {"getCarregaPar", {"0001", "001"}, "0001/001"},
      {"getVerifPar", {"0009", "999"}, "0009/999"},
      {"getHistParametros", {"0001", "001", "10", ""}, "0001/001"},
      {"getCopiaPrevia", {"0002", "001", to("0001", "001")}, "0001/001"},
      {"setCopiaParametros", {"0001", "001", to("0002", "001")}, "0001/001"},
      {"setCopiaParametros",
       {"0002", "001", json::array({json::array({"0001", "002"}), json::array({"0003", "001"})})},
       "0003/001"},
      {"getRestauraPrevia", {"0001", "001", "1"}, "0001/001"},
      {"setRestauraParametros", {"0001", "001", "1"}, "0001/001"},
      {"getDesfazCopiaPrevia", {"1"}, "0001/001"},
      {"setDesfazCopia", {"1"}, "0001/001"},
  };
  for (const auto& [method, params, named] : cases) {
    SCOPED_TRACE(method + " " + params.dump());
    const json request = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    auto result = client_->Http().Post(kModulePath, request.dump(), "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 403);
    EXPECT_EQ(json::parse(result->body)["error"],
              json({{"code", -32003},
                    {"message", "O token franquia não tem acesso ao caixa " + named + "."}}));
  }
  EXPECT_EQ(Stored(), before) << "a refused call wrote something";

  auto args = ValidSaveArgs();
  SaveField(args, contract::col::CDCAIXA) = "002";
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  EXPECT_EQ(client_->CallJson("setCopiaParametros",
                              {"0001", "002", to("0002", "001")})["result"]["envelope"]["status"],
            "ok");

  // A token that may only read previews, and puts nothing back.
  EXPECT_EQ(reader.Envelope("getDesfazCopiaPrevia", {"1"})["status"], "ok");
  for (const auto& [method, params] :
       {std::pair<std::string, json>{"setRestauraParametros", {"0001", "001", "1"}},
        {"setDesfazCopia", {"1"}}}) {
    const json request = {{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    auto result = reader.Http().Post(kModulePath, request.dump(), "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 403) << method;
    EXPECT_EQ(json::parse(result->body)["error"]["message"],
              "O token consulta só pode ler; " + method + " grava.");
  }
}

}  // namespace
}  // namespace totem::test
