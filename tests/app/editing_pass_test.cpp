// The whole editing pass, end to end: the real server on a temporary SQLite
// file, the real host application with the real module, every kind of value
// changed through the dialogs (answered by script), confirmed and read back
// from the database; then an edit cancelled; then the server stopped and
// started again under the open screen.
#include "app/main_window.h"
#include "host/components/dialog_provider.h"
#include "host/components/host_settings.h"
#include "host/components/touch_button.h"
#include "host/testing/scripted_dialogs.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace totem;

namespace {

std::map<std::string, std::string> StoredRecord(const std::string& db, const std::string& branch,
                                                const std::string& caixa) {
  static const char* const kColumns[] = {
      "idtipexttot", "cdgrupprod",  "ideximsgsal", "nrdiainitot",  "nrdiafintot", "nrsegfectot",
      "dsmsginitot", "dsmsgaditot", "idsellojtot", "idinfcliecai", "dsmsgcontot"};
  std::string sql = "SELECT ";
  for (const char* c : kColumns) sql += std::string(c) + (c == kColumns[10] ? " " : ", ");
  const auto rows = test::TestDatabase::Sqlite(db)->Query(
      sql + "FROM parametro_totem WHERE cdfilial = " + test::TestDatabase::Literal(branch) +
      " AND cdcaixa = " + test::TestDatabase::Literal(caixa));
  std::map<std::string, std::string> record;
  for (std::size_t i = 0; !rows.empty() && i < std::size(kColumns); ++i)
    record[kColumns[i]] = rows[0][i];
  return record;
}

std::string FirstGroup(const std::string& db) {
  return test::TestDatabase::Sqlite(db)
      ->Query("SELECT min(cdgrupprod) FROM grupo_produto")
      .at(0)
      .at(0);
}

std::string Flip(const std::string& flag) { return flag == "S" ? "N" : "S"; }

}  // namespace

TEST(EditingPass, ChangeConfirmCancelAndSurviveAServerRestart) {
  test::TempDir dir;
  const std::string db = dir.File("pass.db");
  test::ServerProcess server({db, true, {}});
  test::AimHostAt(server.Host(), server.Port());
  test::ScriptedDialogs dialogs;
  host::ScopedDialogProvider scope(dialogs);

  app::MainWindow window(app::DefaultModulePath());
  window.show();
  ASSERT_TRUE(window.OpenTotem());
  QWidget* screen = window.MdiArea()->subWindowList().front();
  auto button = [&](const char* name) {
    auto* b = screen->findChild<host::TTouchButton*>(name);
    if (!b) throw std::runtime_error(std::string("no button ") + name);
    return b;
  };
  auto label = [&](const char* name) { return screen->findChild<QLabel*>(name)->text(); };

  // Branch 0001, second register.
  dialogs.PickWhere("CDFILIAL", "0001");
  button("tcbFilial")->Click();
  button("tcbProximo")->Click();
  const auto before = StoredRecord(db, "0001", "002");
  ASSERT_FALSE(before.empty());
  EXPECT_TRUE(label("lblNmCaixa").startsWith("002-"));

  // Every kind of value, through the dialogs.
  dialogs.AnswerKeyboard(QStringLiteral("Olá, bem-vindo!"));
  button("tcbMenIni")->Click();
  dialogs.AnswerKeyboard(QStringLiteral("Promoção de verão"));
  button("tcbMenAdi")->Click();
  dialogs.AnswerKeyboard(QStringLiteral("Consulte seu saldo"));
  button("TouchButton1")->Click();
  button("tcbSubGrupos")->Click();
  const std::string group = FirstGroup(db);
  dialogs.PickWhere("CDGRUPPROD", group);
  button("spdGrupProd")->Click();
  button("tcbSelecLoja")->Click();
  button("tcbMensInf")->Click();
  button("tcbInfClie")->Click();
  button("tcbInterval")->Click();
  dialogs.AnswerQuantity(3);
  button("tcbDiaIni")->Click();
  dialogs.AnswerQuantity(25);
  button("tcbDiaFin")->Click();
  dialogs.AnswerQuantity(60);
  button("tcbSegundos")->Click();
  ASSERT_TRUE(button("tcbConfirma")->isEnabled());
  button("tcbConfirma")->Click();
  EXPECT_FALSE(button("tcbConfirma")->isEnabled());

  const auto saved = StoredRecord(db, "0001", "002");
  const std::map<std::string, std::string> expected = {
      {"idtipexttot", "3"},
      {"cdgrupprod", group},
      {"ideximsgsal", Flip(before.at("ideximsgsal"))},
      {"nrdiainitot", "3"},
      {"nrdiafintot", "25"},
      {"nrsegfectot", "60"},
      {"dsmsginitot", "Olá, bem-vindo!"},
      {"dsmsgaditot", "Promoção de verão"},
      {"idsellojtot", Flip(before.at("idsellojtot") == "S" ? "S" : "N")},
      {"idinfcliecai", Flip(before.at("idinfcliecai"))},
      {"dsmsgcontot", "Consulte seu saldo"},
  };
  EXPECT_EQ(saved, expected);

  // Edit again, then cancel: the screen shows what is stored.
  dialogs.AnswerKeyboard("Descartar");
  button("tcbMenIni")->Click();
  dialogs.AnswerQuantity(99);
  button("tcbSegundos")->Click();
  button("tcbCancela")->Click();
  EXPECT_EQ(label("lblValMenIni"), QStringLiteral("Olá, bem-vindo!"));
  EXPECT_EQ(label("lblValSeg"), "60");
  EXPECT_FALSE(button("tcbCancela")->isEnabled());

  // The server goes away under the open screen.
  dialogs.AnswerKeyboard("Depois do reinício");
  button("tcbMenAdi")->Click();
  server.Terminate();
  const auto shown = dialogs.Messages().size();
  QTest::mouseClick(button("tcbConfirma"), Qt::LeftButton);
  ASSERT_EQ(dialogs.Messages().size(), shown + 1);
  EXPECT_EQ(dialogs.Messages().back().type, host::mtError);
  EXPECT_TRUE(button("tcbConfirma")->isEnabled());
  EXPECT_EQ(label("lblValMenAdi"), QStringLiteral("Depois do reinício"));

  // Back again: the same screen saves without being reopened.
  server.RestartOnSamePort();
  QTest::mouseClick(button("tcbConfirma"), Qt::LeftButton);
  EXPECT_EQ(dialogs.Messages().size(), shown + 1);
  EXPECT_FALSE(button("tcbConfirma")->isEnabled());
  EXPECT_EQ(StoredRecord(db, "0001", "002").at("dsmsgaditot"), "Depois do reinício");
  EXPECT_EQ(window.MdiArea()->subWindowList().size(), 1);
}
