#include "tests/form/chain_fixture.h"

#include "form/module_state.h"
#include "host/components/host_settings.h"
#include "host/components/notice.h"

#include <QApplication>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace totem::test {

TempDir* ChainTest::dir_ = nullptr;
std::string ChainTest::chainPath_;

namespace {

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// The records of the chain: branch, register, then the stored columns in
// the table's order.
const char* const kRecords =
    "INSERT INTO parametro_totem (cdfilial, cdcaixa, idsellojtot, idtipexttot, cdgrupprod,"
    " ideximsgsal, nrdiainitot, nrdiafintot, nrsegfectot, dsmsginitot, dsmsgaditot,"
    " idinfcliecai, dsmsgcontot) VALUES"
    " ('0001','001','S','3','10','S','5','20','30','Bem-vindo','Promoção do dia','S','Seu saldo'),"
    " ('0001','002','N','1','','N','','','15','Olá','Adicional','N','Consumidor'),"
    " ('0002','101','s','2','','s','','12','45','','','s',''),"
    " ('0002','102','S','9','','X','','','10','Tipo estranho','','Sim',''),"
    " ('O''B1','001','N','3','','N','','','5','Sem grupo','','N','')";

}  // namespace

void ChainTest::SetUpTestSuite() {
  dir_ = new TempDir;
  chainPath_ = dir_->File("chain.db");
  Write(dir_->File("filial.csv"),
        "CDFILIAL,NMFILIAL\n0001,Matriz Centro\n0002,Filial Norte\n0003,Filial Vazia\n"
        "O'B1,Filial O'Brien\n");
  Write(dir_->File("caixa.csv"),
        "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n"
        "0001,001,Caixa Entrada,1,Loja Centro\n0001,002,Caixa Bar,1,Loja Centro\n"
        "0001,003,Caixa Terraço,2,Loja Terraço\n"
        "0002,101,Caixa 1,7,Loja Norte\n0002,102,Caixa 2,7,Loja Norte\n"
        "O'B1,001,Caixa Único,9,Loja O'Brien\n");
  Write(dir_->File("grupo.csv"), "CDGRUPPROD,NMGRUPPROD\n10,Bebidas\n20,Sobremesas\n");
  std::string output;
  if (ServerProcess::RunTool(
          {"import", "--criar-banco", "--db", "sqlite:" + chainPath_, dir_->File("filial.csv"),
           dir_->File("caixa.csv"), dir_->File("grupo.csv")},
          &output) != 0)
    throw std::runtime_error("import failed: " + output);
  TestDatabase::Sqlite(chainPath_)->Query(kRecords);
}

void ChainTest::TearDownTestSuite() {
  delete dir_;
  dir_ = nullptr;
}

void ChainTest::Sql(const std::string& statement) { db_->Query(statement); }

std::string ChainTest::Stored(const std::string& branch, const std::string& caixa,
                              const std::string& column) {
  const auto rows =
      db_->Query("SELECT " + column + " FROM parametro_totem WHERE cdfilial = " +
                 TestDatabase::Literal(branch) + " AND cdcaixa = " + TestDatabase::Literal(caixa));
  return rows.empty() ? std::string() : rows.at(0).at(0);
}

void ChainTest::AimAtServer() { AimHostAt(server_->Host(), server_->Port()); }

void ChainTest::SetUp() {
  // A new file every time, even when a test is repeated: an old file's
  // write-ahead log would replay over a fresh copy.
  static int copies = 0;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string path =
      dir_->File(std::string(test->name()) + "-" + std::to_string(++copies) + ".db");
  std::filesystem::copy_file(chainPath_, path);
  db_ = TestDatabase::Sqlite(path);
  ServerProcess::Options options;
  options.dbPath = path;
  server_ = std::make_unique<ServerProcess>(options);
  scope_ = std::make_unique<host::ScopedDialogProvider>(dialogs_);
  formScope_ = std::make_unique<form::ScopedRegisterDialogs>(dialogs_);
  AimAtServer();
  boGetConf = false;
}

void ChainTest::TearDown() {
  // A save's notice outlives the test that saved; the next starts without.
  if (QWidget* notice = host::ShownNotice()) notice->close();
  screen_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  formScope_.reset();
  scope_.reset();
}

form::TfrmParametroToten& ChainTest::OpenScreen() {
  screen_ = std::make_unique<form::TfrmParametroToten>();
  screen_->netToten.SetCallObserver(
      [this](std::string_view method, const std::vector<std::string>& args) {
        calls_.push_back({std::string(method), args});
      });
  return *screen_;
}

void ChainTest::PickBranch(const std::string& code) {
  dialogs_.PickWhere("CDFILIAL", code);
  screen_->tcbFilialClick(screen_->tcbFilial);
}

void ChainTest::ShowRegister(const std::string& branch, const std::string& caixa) {
  PickBranch(branch);
  auto& cds = *screen_->cdsCaixa;
  for (cds.First(); cds.FieldAsString("CDCAIXA") != caixa; cds.Next())
    if (cds.Eof()) throw std::runtime_error("register not found: " + caixa);
}

std::vector<std::string> ChainTest::CalledMethods() const {
  std::vector<std::string> methods;
  for (const auto& c : calls_) methods.push_back(c.method);
  return methods;
}

int ChainTest::CountCalls(const std::string& method) const {
  int n = 0;
  for (const auto& c : calls_) n += c.method == method;
  return n;
}

}  // namespace totem::test
