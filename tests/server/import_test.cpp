// "totem-server import": master data from CSV files, one transaction per
// file, a bad row reported with file and line and nothing of that file kept.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace totem::test {
namespace {

long long Count(TestDatabase& db, const std::string& table) {
  try {
    return std::stoll(db.Query("SELECT COUNT(*) FROM " + table).at(0).at(0));
  } catch (const std::exception&) {
    return -1;  // no such table yet
  }
}

class Import : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& files, std::string* output) {
    std::vector<std::string> args = {"import", "--criar-banco", "--db", db_->Address()};
    args.insert(args.end(), files.begin(), files.end());
    return ServerProcess::RunTool(args, output);
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
};

TEST_F(Import, UpsertUpdatesRowsAlreadyThere) {
  ImportSmallChain(dir_, db_->Address());
  WriteFile(dir_.File("renomeia.csv"), "NMFILIAL,CDFILIAL\nFilial Nova,0004\nMatriz Renovada,0001\n");
  std::string output;
  ASSERT_EQ(Run({dir_.File("renomeia.csv")}, &output), 0) << output;

  ServerProcess server(ServerOn(db_->Address()));
  ModuleClient client(server.Host(), server.Port());
  EXPECT_EQ(client.Rows("getFilial", {}), nlohmann::json::parse(R"([["0001","Matriz Renovada"],
      ["0002","Filial Savassi"],["0003","Depósito"],["0004","Filial Nova"]])"));
}

TEST_F(Import, BadRowNamesFileAndLineAndImportsNothingOfThatFile) {
  struct Case {
    const char* what;
    std::string text;
    std::string where;  // expected "file:line"
    const char* table;
  };
  const std::string caixaHeader = "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n";
  const std::vector<Case> cases = {
      {"missing column", "CDFILIAL,NMFILIAL\n0101,Nova\n0102\n", ":3:", "filial"},
      {"extra column", "CDFILIAL,NMFILIAL\n0101,Nova,x\n", ":2:", "filial"},
      {"name too long", "CDFILIAL,NMFILIAL\n0101,Nova\n0102," + std::string(31, 'n') + "\n", ":3:", "filial"},
      {"code too long", "CDGRUPPROD,NMGRUPPROD\n01234567890,Grande\n", ":2:", "grupo_produto"},
      {"neither UTF-8 nor Windows-1252", "CDFILIAL,NMFILIAL\n0101,Nova\n0102,S\x81o Paulo\n", ":3:", "filial"},
      {"empty code", "CDFILIAL,NMFILIAL\n,Sem código\n", ":2:", "filial"},
      {"register of an unknown branch", caixaHeader + "0001,009,Novo,L,Loja\n0099,001,Caixa,L,Loja\n", ":3:", "caixa"},
      {"bad date", "CDGRUPPROD,NMGRUPPROD,DTULTATUGPPR\n040,Pães,2024-02-30\n", ":2:", "grupo_produto"},
      {"unclosed quote on line 3",
       "CDFILIAL,NMFILIAL\n0101,Nova\n0102,\"Aberta\n0103,Outra\n", ":3:", "filial"},
      {"unknown header", "CODIGO,NOME\n0101,Nova\n", ":1:", "filial"},
  };
  ImportSmallChain(dir_, db_->Address());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const long long before = Count(*db_, c.table);
    const std::string file = dir_.File("ruim.csv");
    WriteFile(file, c.text);
    std::string output;
    EXPECT_NE(Run({file}, &output), 0);
    EXPECT_NE(output.find(file + c.where), std::string::npos) << output;
    EXPECT_EQ(Count(*db_, c.table), before);
  }
}

TEST_F(Import, ReadsSpreadsheetFilesSavedInBrazilAndSaysHow) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string report;
  };
  const std::vector<Case> cases = {
      {"Windows-1252 with semicolons", "CDFILIAL;NMFILIAL\r\n0101;S\xE3o Jo\xE3o, Centro\r\n",
       "(Windows-1252, separador ';')"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" "CDFILIAL;NMFILIAL\n0102;Ipê\n", "(UTF-8 com BOM, separador ';')"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir_.File("planilha.csv"), c.bytes);
    std::string output;
    ASSERT_EQ(Run({dir_.File("planilha.csv")}, &output), 0) << output;
    EXPECT_NE(output.find(c.report), std::string::npos) << output;
  }
  EXPECT_EQ(db_->Query("SELECT cdfilial, nmfilial FROM filial ORDER BY cdfilial"),
            (std::vector<std::vector<std::string>>{{"0101", "São João, Centro"}, {"0102", "Ipê"}}));
}

TEST_F(Import, StopsAtTheFirstBadFileKeepingTheOnesBefore) {
  WriteFile(dir_.File("a.csv"), "CDFILIAL,NMFILIAL\n0001,Matriz\n");
  WriteFile(dir_.File("b.csv"), "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n0001,001,Caixa,L,Loja\n0002,001,X,L,Loja\n");
  WriteFile(dir_.File("c.csv"), "CDGRUPPROD,NMGRUPPROD\n010,Bebidas\n");
  std::string output;
  EXPECT_NE(Run({dir_.File("a.csv"), dir_.File("b.csv"), dir_.File("c.csv")}, &output), 0);
  EXPECT_EQ(Count(*db_, "filial"), 1);
  EXPECT_EQ(Count(*db_, "caixa"), 0);
  EXPECT_EQ(Count(*db_, "grupo_produto"), 0);
}

TEST_F(Import, MissingFileIsReported) {
  std::string output;
  EXPECT_NE(Run({dir_.File("nao-existe.csv")}, &output), 0);
  EXPECT_NE(output.find("nao-existe.csv"), std::string::npos) << output;
}

}  // namespace
}  // namespace totem::test
