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
  // files may start with options of the command ("--simular").
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
  WriteFile(dir_.File("renomeia.csv"),
            "NMFILIAL,CDFILIAL\nFilial Nova,0004\nMatriz Renovada,0001\n");
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
      {"name too long", "CDFILIAL,NMFILIAL\n0101,Nova\n0102," + std::string(31, 'n') + "\n",
       ":3:", "filial"},
      {"code too long", "CDGRUPPROD,NMGRUPPROD\n01234567890,Grande\n", ":2:", "grupo_produto"},
      {"neither UTF-8 nor Windows-1252", "CDFILIAL,NMFILIAL\n0101,Nova\n0102,S\x81o Paulo\n",
       ":3:", "filial"},
      {"empty code", "CDFILIAL,NMFILIAL\n,Sem código\n", ":2:", "filial"},
      {"register of an unknown branch",
       caixaHeader + "0001,009,Novo,L,Loja\n0099,001,Caixa,L,Loja\n", ":3:", "caixa"},
      {"bad date", "CDGRUPPROD,NMGRUPPROD,DTULTATUGPPR\n040,Pães,2024-02-30\n",
       ":2:", "grupo_produto"},
      {"unclosed quote on line 3", "CDFILIAL,NMFILIAL\n0101,Nova\n0102,\"Aberta\n0103,Outra\n",
       ":3:", "filial"},
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
      {"UTF-8 with a byte-order mark",
       "\xEF\xBB\xBF"
       "CDFILIAL;NMFILIAL\n0102;Ipê\n",
       "(UTF-8 com BOM, separador ';')"},
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

TEST_F(Import, CodesASpreadsheetStrippedOfLeadingZerosAreRefusedOrPadded) {
  struct Case {
    const char* what;
    std::string bytes;  // as a spreadsheet saves it
    std::vector<std::string> faults;
    std::string check;     // a query whose answer the padded import changes
    std::string expected;  // its answer then
  };
  const std::string caixas = "CDFILIAL;CDCAIXA;NMCAIXA;CDLOJA;NMLOJA\r\n";
  const std::vector<Case> cases = {
      {"a branch the database has with zeros",
       "\xEF\xBB\xBF"
       "CDFILIAL;NMFILIAL\r\n1;Matriz Nova\r\n",
       {"linha 2: filial \"1\" parece \"0001\" sem os zeros à esquerda"},
       "SELECT nmfilial FROM filial WHERE cdfilial = '0001'",
       "Matriz Nova"},
      {"new branches of mixed lengths, Windows-1252",
       "CDFILIAL;NMFILIAL\r\n0305;Sert\xE3o\r\n306;Agreste\r\n",
       {"linha 3: filial \"306\" parece \"0306\" sem os zeros à esquerda"},
       "SELECT COUNT(*) FROM filial WHERE cdfilial IN ('0305', '0306')",
       "2"},
      {"a register and its branch",
       caixas + "1;2;R\xE1pido;LJ01;Loja\r\n",
       {"linha 2: filial \"1\" parece \"0001\"", "linha 2: caixa \"2\" parece \"002\""},
       "SELECT nmcaixa FROM caixa WHERE cdfilial = '0001' AND cdcaixa = '002'",
       "Rápido"},
      {"kiosk parameters",
       "CDFILIAL;CDCAIXA;IDTIPEXTTOT;CDGRUPPROD;IDEXIMSGSAL;NRDIAINITOT;NRDIAFINTOT;NRSEGFECTOT;"
       "DSMSGINITOT;"
       "DSMSGADITOT;IDSELLOJTOT;IDINFCLIECAI;DSMSGCONTOT\r\n2;1;1;;N;;;;Ol\xE1;;N;;\r\n",
       {"linha 2: filial \"2\" parece \"0002\"", "linha 2: caixa \"1\" parece \"001\""},
       "SELECT dsmsginitot FROM parametro_totem WHERE cdfilial = '0002'",
       "Olá"},
  };
  ImportSmallChain(dir_, db_->Address());
  const std::string file = dir_.File("planilha.csv");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(file, c.bytes);
    const auto before = db_->Query(c.check);
    std::string output;
    EXPECT_EQ(Run({file}, &output), 1);
    for (const auto& fault : c.faults) EXPECT_NE(output.find(fault), std::string::npos) << output;
    EXPECT_NE(output.find("--completar-zeros"), std::string::npos) << output;
    EXPECT_EQ(db_->Query(c.check), before);
    ASSERT_EQ(Run({"--completar-zeros", file}, &output), 0) << output;
    EXPECT_EQ(db_->Query(c.check).at(0).at(0), c.expected);
  }
  // Short codes with no sign of lost zeros are taken as they are.
  WriteFile(file, "CDFILIAL;NMFILIAL\r\n77;Setenta e Sete\r\n78;Setenta e Oito\r\n");
  std::string output;
  ASSERT_EQ(Run({file}, &output), 0) << output;
  EXPECT_EQ(Count(*db_, "filial WHERE cdfilial IN ('77', '78')"), 2);
}

TEST_F(Import, SimulationReportsWhatWouldChangeAndWritesNothing) {
  ImportSmallChain(dir_, db_->Address());
  WriteFile(dir_.File("a.csv"), "CDFILIAL,NMFILIAL\n0004,Nova\n0001,Matriz\n");
  WriteFile(dir_.File("b.csv"), "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n0004,001,Caixa,L,Loja\n");
  WriteFile(dir_.File("c.csv"),
            "CDFILIAL,CDCAIXA,IDTIPEXTTOT,CDGRUPPROD,IDEXIMSGSAL,NRDIAINITOT,NRDIAFINTOT,"
            "NRSEGFECTOT,DSMSGINITOT,"
            "DSMSGADITOT,IDSELLOJTOT,IDINFCLIECAI,DSMSGCONTOT\n0004,001,1,,S,,,,Oi,,N,S,\n");
  const std::vector<std::string> files = {dir_.File("a.csv"), dir_.File("b.csv"),
                                          dir_.File("c.csv")};
  const auto tables = db_->Query(
      "SELECT (SELECT COUNT(*) FROM filial), (SELECT COUNT(*) FROM caixa),"
      " (SELECT COUNT(*) FROM parametro_totem_historico)");
  std::vector<std::string> args = {"--simular"};
  args.insert(args.end(), files.begin(), files.end());
  std::string output;
  ASSERT_EQ(Run(args, &output), 0) << output;
  for (const char* line :
       {"a.csv: 2 registros de filiais lidos (UTF-8, separador ',')\n"
        "  1 incluídos: 0004\n  1 atualizados: 0001\n",
        "  1 incluídos: 0004/001\n", "1 seriam alterados (UTF-8, separador ',')\n",
        "  filial 0004, caixa 001 (linha 2), sem parâmetros até agora:\n",
        "    Mensagem inicial (DSMSGINITOT): - -> \"Oi\"\n", "Simulação: nada foi gravado."})
    EXPECT_NE(output.find(line), std::string::npos) << line << "\n" << output;
  EXPECT_EQ(db_->Query("SELECT (SELECT COUNT(*) FROM filial), (SELECT COUNT(*) FROM caixa),"
                       " (SELECT COUNT(*) FROM parametro_totem_historico)"),
            tables);
  // A file the import would refuse: the same messages and exit code.
  WriteFile(dir_.File("d.csv"), "CDFILIAL,NMFILIAL\n1,Matriz\n");
  std::string real;
  EXPECT_EQ(Run({"--simular", dir_.File("d.csv")}, &output), 1);
  EXPECT_EQ(Run({dir_.File("d.csv")}, &real), 1);
  EXPECT_EQ(output, real);
}

TEST_F(Import, StopsAtTheFirstBadFileKeepingTheOnesBefore) {
  WriteFile(dir_.File("a.csv"), "CDFILIAL,NMFILIAL\n0001,Matriz\n");
  WriteFile(dir_.File("b.csv"),
            "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n0001,001,Caixa,L,Loja\n0002,001,X,L,Loja\n");
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
