// "totem-server export parametros" and its file taken back by "import": a
// round trip changes nothing; a changed record is saved by the rules of a
// save and leaves a history row naming the importer; a refused row stops
// the file at its line with nothing written.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>
#include <fstream>
#include <sstream>

namespace totem::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ParametrosCsv : public ::testing::Test {
 protected:
  void SetUp() override {
    ImportSmallChain(dir_, db_->Address());
    ServerProcess server(ServerOn(db_->Address()));
    ModuleClient client(server.Host(), server.Port());
    // Values a CSV must carry intact: separators, quotes, line breaks,
    // accents, spaces at the ends, empty values.
    auto args = ValidSaveArgs();
    SaveField(args, contract::col::DSMSGINITOT) = "Olá; \"bem-vindo\",\r\nà loja ";
    ASSERT_EQ(client.Envelope("setUpdParametros", args)["status"], "ok");
    args = {"0002", "001", "1", "", "N", "", "", "", " ", "", "N", "", ""};
    ASSERT_EQ(client.Envelope("setUpdParametros", args)["status"], "ok");
  }

  std::string Export() {
    std::string output;
    EXPECT_EQ(ServerProcess::RunTool({"export", "parametros", "--db", db_->Address(), "-o", file_},
                                     &output),
              0)
        << output;
    return ReadFile(file_);
  }
  int Import(std::string* output, std::vector<std::string> options = {}) {
    options.insert(options.begin(), {"import", "--criar-banco", "--db", db_->Address()});
    options.push_back(file_);
    return ServerProcess::RunTool(options, output);
  }
  std::vector<std::vector<std::string>> History() {
    return db_->Query(
        "SELECT cdfilial, cdcaixa, nrgravacao, nmtoken, dscliente, dsmsginitot_depois"
        " FROM parametro_totem_historico ORDER BY cdfilial, cdcaixa, nrgravacao");
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
  std::string file_ = dir_.File("parametros.csv");
};

TEST_F(ParametrosCsv, ARoundTripChangesNothingAndAddsNoHistory) {
  const std::string exported = Export();
  EXPECT_EQ(
      exported.substr(0, exported.find('\r')),
      "CDFILIAL,CDCAIXA,IDTIPEXTTOT,CDGRUPPROD,IDEXIMSGSAL,NRDIAINITOT,NRDIAFINTOT,NRSEGFECTOT,"
      "DSMSGINITOT,DSMSGADITOT,IDSELLOJTOT,IDINFCLIECAI,DSMSGCONTOT,VERSAO");
  const auto before = History();
  std::string output;
  ASSERT_EQ(Import(&output), 0) << output;
  EXPECT_NE(
      output.find(
          "2 registros de parâmetros dos totens importados, 0 alterados (UTF-8, separador ',')"),
      std::string::npos)
      << output;
  EXPECT_EQ(History(), before);
  EXPECT_EQ(Export(), exported);
}

TEST_F(ParametrosCsv, ChangedRecordsAreSavedWithAHistoryRowNamingTheImporter) {
  // As a spreadsheet in Brazil saves it: semicolons, Windows-1252; one
  // message changed, a register without a record given one.
  const std::string file =
      "CDFILIAL;CDCAIXA;IDTIPEXTTOT;CDGRUPPROD;IDEXIMSGSAL;NRDIAINITOT;NRDIAFINTOT;NRSEGFECTOT;"
      "DSMSGINITOT;"
      "DSMSGADITOT;IDSELLOJTOT;IDINFCLIECAI;DSMSGCONTOT\r\n"
      "0002;001;1;;N;;;;\" \";;N;;\r\n"
      "0001;002;2;;S;1;15;30;Promo\xE7\xE3o;;N;S;\r\n";
  WriteFile(file_, file);
  std::string output;
  ASSERT_EQ(Import(&output), 0) << output;
  EXPECT_NE(
      output.find("2 registros de parâmetros dos totens importados, 1 alterados (Windows-1252"),
      std::string::npos)
      << output;
  EXPECT_NE(output.find("versões não conferidas: o arquivo não tem a coluna VERSAO"),
            std::string::npos)
      << output;
  const passwd* user = getpwuid(geteuid());
  const auto history = History();
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(history[0][1], "001");  // 0001/001, saved in SetUp
  EXPECT_EQ(history[1],
            (std::vector<std::string>{"0001", "002", "1", "import:" + std::string(user->pw_name),
                                      "parametros.csv", "Promoção"}));
  EXPECT_EQ(history[2][3], "");  // 0002/001 unchanged: only its save from SetUp
}

TEST_F(ParametrosCsv, ARefusedRowStopsTheFileAtItsLineWithNothingWritten) {
  const std::string exported = Export();
  const std::string header = exported.substr(0, exported.find(",VERSAO")) + "\n";
  const std::string good = "0001,002,2,,S,1,15,30,Nova,,N,S,\n";
  struct Case {
    const char* what;
    std::string row;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"a day past 31", "0001,001,1,,S,32,,,,,N,S,\n", "Data inválida."},
      {"a register that does not exist", "0001,009,1,,S,,,,,,N,S,\n",
       "Caixa não cadastrado. (filial 0001, caixa 009)"},
      {"statement type 3 with an unknown group", "0001,001,3,999,S,,,,,,N,S,\n",
       "Grupo de produtos não cadastrado."},
      {"a message past 200 characters", "0001,001,1,,S,,,," + std::string(201, 'x') + ",,N,S,\n",
       "O campo Mensagem inicial aceita no máximo 200 caracteres."},
      {"a missing column", "0001,001,1,,S,,,,,,N,S\n", "12 colunas; o cabeçalho tem 13"},
  };
  const auto before = History();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(file_, header + good + c.row);
    std::string output;
    EXPECT_NE(Import(&output), 0);
    EXPECT_NE(output.find("parametros.csv:3: " + c.message), std::string::npos) << output;
    EXPECT_EQ(History(), before);
  }
}

TEST_F(ParametrosCsv, AnExportOlderThanASaveIsRefusedUnlessOverwriting) {
  Export();
  ServerProcess server(ServerOn(db_->Address()));
  ModuleClient client(server.Host(), server.Port());
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Gravada depois";
  ASSERT_EQ(client.Envelope("setUpdParametros", args)["status"], "ok");
  auto message = [&] { return client.Rows("getCarregaPar", {"0001", "001"}).at(0).at(7); };
  const auto before = History();

  std::string output;
  EXPECT_EQ(Import(&output), 1);
  EXPECT_NE(
      output.find("parametros.csv: 1 caixa foi gravado depois que este arquivo foi exportado"),
      std::string::npos)
      << output;
  EXPECT_NE(output.find("  linha 2: filial 0001, caixa 001: versão 1 no arquivo, 2 agora\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("linha 3"), std::string::npos) << output;  // 0002/001 was not saved since
  EXPECT_EQ(History(), before);
  EXPECT_EQ(message(), "Gravada depois");

  ASSERT_EQ(Import(&output, {"--sobrescrever"}), 0) << output;
  EXPECT_NE(output.find("1 caixas gravados depois da exportação recebem os valores do arquivo"),
            std::string::npos)
      << output;
  EXPECT_EQ(message(), "Olá; \"bem-vindo\",\r\nà loja ");
}

}  // namespace
}  // namespace totem::test
