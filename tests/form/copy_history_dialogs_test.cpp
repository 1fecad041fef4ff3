// The copy and history dialogs, touched as a finger would, with the server's
// answers written by the test.
#include "form/touch/copy_dialog.h"
#include "form/touch/history_dialog.h"

#include "host/components/touch_button.h"
#include "platform/client_dataset.h"
#include "platform/parametros_contract.h"
#include "service/dataset_fields.h"
#include "tests/host/gui_test_helpers.h"

#include <QLabel>
#include <QLineEdit>
#include <QScroller>
#include <QTreeWidget>

namespace totem::form {
namespace {

using test::Packet;
using test::Touch;

std::unique_ptr<ClientDataset> Filled(std::unique_ptr<ClientDataset> dataset,
                                      const std::vector<std::vector<std::string>>& rows) {
  dataset->SetData(Packet(dataset->Fields()).Rows(rows));
  return dataset;
}

class CopyDialogTest : public ::testing::Test {
 protected:
  // The preview the server would send for whatever is asked.
  DataPacket Preview(const Destinos& asked) {
    askedFor = asked;
    return Packet(service::MakeCdsCopiaPrevia()->Fields())
        .Rows({{"0002", "101", "ALTERA", "DSMSGINITOT", "Olá", "Bem-vindo"},
               {"0002", "101", "ALTERA", "NRSEGFECTOT", "", "30"},
               {"0002", "102", "IGUAL", "", "", ""}});
  }
  std::unique_ptr<ClientDataset> filiais =
      Filled(service::MakeCdsFilial(), {{"0001", "Matriz"}, {"0002", "Norte"}});
  std::unique_ptr<ClientDataset> caixas =
      Filled(service::MakeCdsCaixa(), {{"k", "001", "Frente", "Loja A", "0001", "1"},
                                       {"k", "002", "Bar", "Loja A", "0001", "1"},
                                       {"k", "101", "Drive", "Loja N", "0002", "7"},
                                       {"k", "102", "Balcão", "Loja N", "0002", "7"}});
  Destinos askedFor;
  CopyDialog dialog{{"0001", "001"},
                    *filiais,
                    *caixas,
                    [this](const Destinos& d) { return Preview(d); },
                    {{"DSMSGINITOT", "Mensagem Inicial"}}};
};

TEST_F(CopyDialogTest, BranchChecksItsRegistersButNeverTheSource) {
  auto* next = test::Child<host::TTouchButton>(&dialog, "key_next");
  EXPECT_FALSE(next->isEnabled()) << "nothing checked yet";
  dialog.SetChecked("0001", "", true);
  EXPECT_EQ(dialog.Checked(), (Destinos{{"0001", "002"}}));
  dialog.SetChecked("0002", "", true);
  dialog.SetChecked("0002", "102", false);
  EXPECT_EQ(dialog.Checked(), (Destinos{{"0001", "002"}, {"0002", "101"}}));
  EXPECT_TRUE(next->isEnabled());
  EXPECT_EQ(test::Child<QLabel>(&dialog, "count")->text(), QString("2 caixas marcados"));
}

TEST_F(CopyDialogTest, FilterNarrowsByBranchOrRegisterIgnoringAccents) {
  auto* tree = test::Child<QTreeWidget>(&dialog, "registers");
  test::Child<QLineEdit>(&dialog, "filter")->setText("balcao");
  EXPECT_TRUE(tree->topLevelItem(0)->isHidden());
  EXPECT_FALSE(tree->topLevelItem(1)->child(1)->isHidden());
  EXPECT_TRUE(tree->topLevelItem(1)->child(0)->isHidden());
  test::Child<QLineEdit>(&dialog, "filter")->setText("matriz");
  EXPECT_FALSE(tree->topLevelItem(0)->child(1)->isHidden());
}

TEST_F(CopyDialogTest, PreviewShowsWhatChangesThenApplyAnswersTheCheckedRegisters) {
  dialog.SetChecked("0002", "", true);
  test::WhenModalOpens([](QDialog* d) {
    Touch(d, "key_next");
    auto* changes = test::Child<QTreeWidget>(d, "changes");
    ASSERT_EQ(changes->topLevelItemCount(), 1);
    EXPECT_EQ(changes->topLevelItem(0)->child(0)->text(0),
              QString("Mensagem Inicial: «Olá» → «Bem-vindo»"));
    EXPECT_EQ(changes->topLevelItem(0)->child(1)->text(0), QString("NRSEGFECTOT: (vazio) → «30»"));
    EXPECT_EQ(test::Child<QLabel>(d, "summary")->text(),
              QString("1 caixa será alterado. 1 caixa já está igual."));
    Touch(d, "key_apply");
  });
  dialog.exec();
  EXPECT_EQ(askedFor, (Destinos{{"0002", "101"}, {"0002", "102"}}));
  EXPECT_EQ(dialog.Answer(), askedFor);
}

TEST_F(CopyDialogTest, CancelAtEitherStepAnswersNothing) {
  dialog.SetChecked("0002", "101", true);
  for (bool afterPreview : {false, true}) {
    test::WhenModalOpens([afterPreview](QDialog* d) {
      if (afterPreview) Touch(d, "key_next");
      for (auto* key : d->findChildren<host::TTouchButton*>("key_cancel"))
        if (key->isVisible()) QTest::mouseClick(key, Qt::LeftButton);
    });
    dialog.exec();
    EXPECT_TRUE(dialog.Answer().empty());
  }
}

// Pages of three saves; the oldest save is number 1.
DataPacket HistoryPage(const QString& before) {
  const int top = before.isEmpty() ? 5 : before.toInt() - 1;
  Packet page(service::MakeCdsHistorico()->Fields());
  for (int n = top; n > 0 && n > top - 3; --n)
    page.Row({std::to_string(n), "2026-12-08T13:05:00Z", n == 5 ? "" : "gerente", "10.0.0.7",
              n == 4 ? "0001/002" : "", "DSMSGINITOT", "a", "b", n == 4 ? "7" : "", "", ""});
  return page;
}

TEST(HistoryDialogTest, PagesBackToTheFirstSaveNewestFirst) {
  QStringList asked;
  HistoryDialog dialog("0001 / 001-Frente",
                       [&](const QString& before) {
                         asked << before;
                         return HistoryPage(before);
                       },
                       {{"DSMSGINITOT", "Mensagem Inicial"}});
  auto* saves = test::Child<QTreeWidget>(&dialog, "saves");
  EXPECT_EQ(dialog.SavesShown(), 3);
  EXPECT_EQ(test::Child<QLabel>(&dialog, "status")->text(), QString("5 gravações (3 mostradas)"));
  EXPECT_TRUE(
      saves->topLevelItem(0)->text(0).startsWith("Nº 5 · " + LocalTime("2026-12-08T13:05:00Z")));
  EXPECT_TRUE(saves->topLevelItem(0)->text(0).contains("sem token"));
  EXPECT_TRUE(saves->topLevelItem(1)->text(0).endsWith("gerente (10.0.0.7) · cópia de 0001/002"));
  EXPECT_EQ(saves->topLevelItem(1)->child(0)->text(0), QString("Mensagem Inicial: «a» → «b»"));
  Touch(&dialog, "key_older");
  EXPECT_EQ(dialog.SavesShown(), 5);
  EXPECT_EQ(asked, (QStringList{"", "3"}));
  EXPECT_FALSE(test::Child<host::TTouchButton>(&dialog, "key_older")->isEnabled());
  EXPECT_EQ(test::Child<QLabel>(&dialog, "status")->text(), QString("5 gravações"));
}

// Each save can be put back, a copy's save undone; each key previews what
// it would do and writes only when that preview is confirmed.
TEST(HistoryDialogTest, PutBackKeysShowThePreviewAndWriteOnlyWhenConfirmed) {
  std::vector<std::string> done;
  UndoActions undo;
  undo.restauraPrevia = [](const std::string&) -> DataPacket {
    return Packet(service::MakeCdsCopiaPrevia()->Fields())
        .Rows({{"0001", "001", "ALTERA", "DSMSGINITOT", "b", "a"}});
  };
  undo.restaura = [&](const std::string& n) { done.push_back("restaura " + n); };
  undo.desfazPrevia = [](const std::string&) -> DataPacket {
    return Packet({"CDFILIAL", "CDCAIXA", "IDSITUACAO", "NMCAMPO", "DSANTES", "DSDEPOIS",
                   "DTGRAVACAO", "NMTOKEN"})
        .Rows({{"0001", "002", "RESTAURA", "DSMSGINITOT", "b", "a", "", ""},
               {"0002", "001", "MANTIDO", "", "", "", "2026-12-08T13:05:00Z", "gerente"}});
  };
  undo.desfaz = [&](const std::string& id) { done.push_back("desfaz " + id); };
  HistoryDialog dialog("0001 / 001-Frente", HistoryPage, {{"DSMSGINITOT", "Mensagem Inicial"}},
                       nullptr, undo);
  // Synthetic clicks, each opening a modal preview from inside the tap, are
  // held by the list's finger-scrolling gesture after the first; the keys
  // are checked here without it (the black-box pass taps them for real).
  for (auto* list : dialog.findChildren<QTreeWidget*>()) QScroller::ungrabGesture(list->viewport());
  const auto restore = dialog.findChildren<host::TTouchButton*>("key_restore");
  ASSERT_EQ(restore.size(), 3u) << "one on each save shown";
  ASSERT_EQ(dialog.findChildren<host::TTouchButton*>("key_undo_copy").size(), 1u)
      << "only on the copy's save";
  test::WhenModalOpens([](QDialog* d) {
    auto* changes = test::Child<QTreeWidget>(d, "changes");
    EXPECT_EQ(changes->topLevelItem(0)->child(0)->text(0), QString("Mensagem Inicial: «b» → «a»"));
    Touch(d, "key_cancel");
  });
  QTest::mouseClick(restore[0], Qt::LeftButton);
  EXPECT_TRUE(done.empty()) << "cancelled on the preview";

  test::WhenModalOpens([](QDialog* d) {
    auto* changes = test::Child<QTreeWidget>(d, "changes");
    EXPECT_EQ(changes->topLevelItem(1)->text(0),
              "0002/001: fica como está: gravado depois da cópia em " +
                  LocalTime("2026-12-08T13:05:00Z") + " por gerente");
    EXPECT_EQ(test::Child<QLabel>(d, "status")->text(), QString("1 caixa volta."));
    Touch(d, "key_confirm");
  });
  Touch(&dialog, "key_undo_copy");
  EXPECT_EQ(done, (std::vector<std::string>{"desfaz 7"}));
  EXPECT_EQ(dialog.result(), QDialog::Accepted) << "the history closes after a put-back";
}

TEST(HistoryDialogTest, TimesAreShownInLocalTime) {
  qputenv("TZ", "America/Sao_Paulo");
  tzset();
  EXPECT_EQ(LocalTime("2026-12-08T13:05:00Z"), QString("08/12/2026 10:05:00"));
  EXPECT_EQ(LocalTime("2026-12-08T13:05:00.250Z"), QString("08/12/2026 10:05:00"));
  EXPECT_EQ(LocalTime("quando"), QString("quando"));
}

}  // namespace
}  // namespace totem::form
