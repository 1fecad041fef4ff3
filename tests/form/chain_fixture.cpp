#include "tests/form/chain_fixture.h"

#include "form/module_state.h"
#include "host/components/host_settings.h"

#include <QApplication>
#include <sqlite3.h>

#include <fstream>
#include <stdexcept>

namespace totem::test {

TempDir* ChainTest::dir_ = nullptr;
ServerProcess* ChainTest::server_ = nullptr;
std::string ChainTest::dbPath_;

namespace {

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

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
  dbPath_ = dir_->File("chain.db");
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
  if (ServerProcess::RunTool({"import", "--db", "sqlite:" + dbPath_, dir_->File("filial.csv"),
                              dir_->File("caixa.csv"), dir_->File("grupo.csv")},
                             &output) != 0)
    throw std::runtime_error("import failed: " + output);
  Sql(kRecords);
  ServerProcess::Options options;
  options.dbPath = dbPath_;
  server_ = new ServerProcess(options);
}

void ChainTest::TearDownTestSuite() {
  delete server_;
  server_ = nullptr;
  delete dir_;
  dir_ = nullptr;
}

void ChainTest::Sql(const std::string& statement) {
  sqlite3* db = nullptr;
  if (sqlite3_open(dbPath_.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open failed");
  sqlite3_busy_timeout(db, 5000);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error);
  std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message);
}

std::string ChainTest::Stored(const std::string& branch, const std::string& caixa,
                              const std::string& column) {
  sqlite3* db = nullptr;
  sqlite3_open(dbPath_.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_stmt* stmt = nullptr;
  const std::string sql =
      "SELECT " + column + " FROM parametro_totem WHERE cdfilial = ? AND cdcaixa = ?";
  std::string value;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, branch.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(stmt, 2, caixa.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(stmt) == SQLITE_ROW)
      value = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return value;
}

void ChainTest::AimAtServer() { AimHostAt(server_->Host(), server_->Port()); }

void ChainTest::SetUp() {
  scope_ = std::make_unique<host::ScopedDialogProvider>(dialogs_);
  if (!server_->Running()) server_->RestartOnSamePort();
  AimAtServer();
  boGetConf = false;
}

void ChainTest::TearDown() {
  screen_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
