// Choosing a branch, building its register list, moving through it and
// refreshing it, against a real server with known data.
#include "form/module_state.h"
#include "tests/form/chain_fixture.h"

#include "host/components/busy_overlay.h"

#include <QApplication>

using namespace totem;
using form::TfrmParametroToten;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class Selection : public ChainTest {};

namespace {

std::vector<host::TTouchButton*> EightButtons(TfrmParametroToten& f) {
  return {f.tcbPrx,      f.tcbAnt,     f.tcbPesquisar, f.tcbAtualizar,
          f.tcbAnterior, f.tcbProximo, f.tcbPrimeiro,  f.tcbUltimo};
}

void ExpectEightButtons(TfrmParametroToten& f, bool enabled) {
  for (auto* b : EightButtons(f))
    EXPECT_EQ(b->isEnabled(), enabled) << b->objectName().toStdString();
}

std::vector<std::string> Registers(ClientDataset& cds) {
  std::vector<std::string> codes;
  for (int i = 0; i < cds.RecordCount(); ++i)
    codes.push_back(cds.ValueAt(i, cds.FieldIndex("CDCAIXA")));
  return codes;
}

}  // namespace

TEST_F(Selection, PickingABranchShowsItsRegistersAndEnablesNavigation) {
  auto& f = OpenScreen();
  PickBranch("0002");
  EXPECT_EQ(f.lblNmFilial->text(), "0002 - Filial Norte");
  EXPECT_EQ(Registers(*f.cdsCaixa), (std::vector<std::string>{"101", "102"}));
  EXPECT_EQ(f.lblNmCaixa->text(), "101-Caixa 1-Loja Norte");
  EXPECT_EQ(f.dbgCaixa->model()->rowCount(), 2);
  ExpectEightButtons(f, true);
  EXPECT_TRUE(boGetConf);
  // The search list was opened over the branch list, with the empty title.
  ASSERT_EQ(dialogs_.SearchCalls().size(), 1u);
  EXPECT_EQ(dialogs_.SearchCalls()[0].dataset, "cdsFilial");
  EXPECT_TRUE(dialogs_.SearchCalls()[0].title.isEmpty());
}

TEST_F(Selection, FirstPickReadsTheListOnceAndLoadsItsFirstRowBeforeFiltering) {
  auto& f = OpenScreen();
  PickBranch("0002");
  EXPECT_EQ(CalledMethods(), (std::vector<std::string>{"getFilial", "getConfCaixa", "getCarregaPar",
                                                       "getCarregaPar", "getCarregaPar"}));
  // The list's first row as delivered (register 001 of branch 0001) is
  // loaded under the chosen branch's code, then the chosen branch's first
  // register twice: filter switched on, then the explicit load.
  EXPECT_EQ(calls_[2].args, (std::vector<std::string>{"0002", "001"}));
  EXPECT_EQ(calls_[3].args, (std::vector<std::string>{"0002", "101"}));
  EXPECT_EQ(calls_[4].args, (std::vector<std::string>{"0002", "101"}));
  EXPECT_EQ(f.lblNmCaixa->text(), "101-Caixa 1-Loja Norte");
}

TEST_F(Selection, LaterPicksOnlyChangeTheFilter) {
  auto& f = OpenScreen();
  PickBranch("0002");
  ForgetCalls();
  PickBranch("0001");
  EXPECT_EQ(CountCalls("getConfCaixa"), 0);
  EXPECT_EQ(CountCalls("getFilial"), 1);  // the branch list is read on every press
  // Filter off (first row of the whole list), filter on, explicit load.
  EXPECT_EQ(CountCalls("getCarregaPar"), 3);
  EXPECT_EQ(Registers(*f.cdsCaixa), (std::vector<std::string>{"001", "002", "003"}));
  EXPECT_EQ(f.lblNmCaixa->text(), "001-Caixa Entrada-Loja Centro");
}

TEST_F(Selection, CancelledPickDisablesButtonsButKeepsWhatIsShown) {
  auto& f = OpenScreen();
  PickBranch("0001");
  const QString caption = f.lblNmCaixa->text();
  const QString message = f.lblValMenIni->text();
  ForgetCalls();
  dialogs_.CancelSearch();
  f.tcbFilialClick(f.tcbFilial);
  EXPECT_TRUE(f.lblNmFilial->text().isEmpty());
  ExpectEightButtons(f, false);
  EXPECT_EQ(f.lblNmCaixa->text(), caption);
  EXPECT_EQ(f.lblValMenIni->text(), message);
  EXPECT_EQ(f.cdsCaixa->RecordCount(), 3);
  EXPECT_EQ(CalledMethods(), std::vector<std::string>{"getFilial"});
}

// The cancelled search leaves the branch list on its first branch, 0001,
// which also has a register 001: Cancel and Confirm must still read and
// write the register the screen names, O'B1's.
TEST_F(Selection, CancelledPickKeepsTheChosenBranchForCancelAndConfirm) {
  auto& f = OpenScreen();
  ShowRegister("O'B1", "001");
  dialogs_.CancelSearch();
  f.tcbFilialClick(f.tcbFilial);
  ForgetCalls();
  f.tcbCancelaClick(f.tcbCancela);
  EXPECT_EQ(calls_.back().args, (std::vector<std::string>{"O'B1", "001"}));
  EXPECT_EQ(f.lblValMenIni->text(), "Sem grupo");
  dialogs_.AnswerKeyboard("Só da O'Brien");
  f.tcbMenAdiClick(f.tcbMenAdi);
  f.tcbExtrDelClick(f.tcbExtrDel);
  f.tcbConfirmaClick(f.tcbConfirma);
  EXPECT_EQ(Stored("O'B1", "001", "dsmsgaditot"), "Só da O'Brien");
  EXPECT_EQ(Stored("0001", "001", "dsmsgaditot"), "Promoção do dia");
}

TEST_F(Selection, BranchWithoutRegistersSaysSoAndStillLoadsWithAnEmptyCode) {
  auto& f = OpenScreen();
  PickBranch("0003");
  ASSERT_FALSE(dialogs_.Messages().empty());
  EXPECT_TRUE(dialogs_.Messages().back().touch);
  EXPECT_EQ(dialogs_.Messages().back().text, QStringLiteral("Caixa não cadastrado."));
  EXPECT_EQ(dialogs_.Messages().back().type, host::mtError);
  EXPECT_TRUE(f.lblNmFilial->text().isEmpty());
  ExpectEightButtons(f, false);
  ASSERT_FALSE(calls_.empty());
  EXPECT_EQ(calls_.back().method, "getCarregaPar");
  EXPECT_EQ(calls_.back().args, (std::vector<std::string>{"0003", ""}));
  EXPECT_TRUE(f.lblValMenIni->text().isEmpty());
}

TEST_F(Selection, BranchCodeWithAQuoteFiltersToItsOwnRegisters) {
  auto& f = OpenScreen();
  PickBranch("O'B1");
  EXPECT_EQ(f.cdsCaixa->RecordCount(), 1);
  EXPECT_EQ(f.lblNmCaixa->text(), QStringLiteral("001-Caixa Único-Loja O'Brien"));
  EXPECT_EQ(f.lblValMenIni->text(), "Sem grupo");
}

TEST_F(Selection, NavigationStopsAtBothEndsWithoutReloading) {
  auto& f = OpenScreen();
  PickBranch("0001");
  ForgetCalls();
  f.tcbUltimoClick(f.tcbUltimo);
  EXPECT_EQ(f.cdsCaixa->FieldAsString("CDCAIXA"), "003");
  f.tcbProximoClick(f.tcbProximo);
  EXPECT_EQ(f.cdsCaixa->FieldAsString("CDCAIXA"), "003");
  EXPECT_EQ(CountCalls("getCarregaPar"), 1);
  f.tcbAnteriorClick(f.tcbAnterior);
  EXPECT_EQ(f.lblNmCaixa->text(), "002-Caixa Bar-Loja Centro");
  EXPECT_EQ(f.lblValMenIni->text(), QStringLiteral("Olá"));
  f.tcbPrimeiroClick(f.tcbPrimeiro);
  f.tcbAnteriorClick(f.tcbAnterior);
  EXPECT_EQ(f.cdsCaixa->FieldAsString("CDCAIXA"), "001");
  EXPECT_EQ(CountCalls("getCarregaPar"), 3);
}

TEST_F(Selection, TouchingAGridRowMovesTheCurrentRegister) {
  auto& f = OpenScreen();
  PickBranch("0001");
  f.dbgCaixa->selectRow(2);
  EXPECT_EQ(f.cdsCaixa->FieldAsString("CDCAIXA"), "003");
  EXPECT_EQ(f.lblNmCaixa->text(), QStringLiteral("003-Caixa Terraço-Loja Terraço"));
}

TEST_F(Selection, RefreshShowsRegistersAddedOnTheServer) {
  auto& f = OpenScreen();
  PickBranch("0002");
  Sql("INSERT INTO caixa (cdfilial, cdcaixa, nmcaixa, cdloja, nmloja) VALUES ('0002','103','Caixa "
      "Novo','7','Loja Norte')");
  ForgetCalls();
  f.tcbAtualizarClick(f.tcbAtualizar);
  EXPECT_EQ(Registers(*f.cdsCaixa), (std::vector<std::string>{"101", "102", "103"}));
  EXPECT_EQ(CountCalls("getConfCaixa"), 1);
  EXPECT_FALSE(host::ShowAviActive());
}

TEST_F(Selection, FailedFirstListReadIsShownAndNotRetriedByLaterPicks) {
  auto& f = OpenScreen();
  bool killed = false;
  f.netToten.SetCallObserver(
      [this, &killed](std::string_view method, const std::vector<std::string>&) {
        calls_.push_back({std::string(method), {}});
        if (method == "getConfCaixa" && !killed) {
          killed = true;
          server_->Kill9();  // the server dies as the list is asked for
        }
      });
  PickBranch("0001");
  ASSERT_FALSE(dialogs_.Messages().empty());
  EXPECT_FALSE(dialogs_.Messages().front().touch);  // the standard message dialog
  EXPECT_TRUE(dialogs_.Messages().front().text.contains(QStringLiteral("servidor")));
  ExpectEightButtons(f, false);
  EXPECT_TRUE(boGetConf);

  server_->RestartOnSamePort();
  ForgetCalls();
  PickBranch("0001");
  EXPECT_EQ(CountCalls("getConfCaixa"), 0);
  EXPECT_EQ(dialogs_.Messages().back().text, QStringLiteral("Caixa não cadastrado."));
  // Only the refresh button reads the list again.
  f.tcbAtualizarClick(f.tcbAtualizar);
  EXPECT_EQ(f.cdsCaixa->RecordCount(), 3);
}

TEST_F(Selection, FailedRefreshIsShownInTheTouchBoxAndTheOverlayGoes) {
  auto& f = OpenScreen();
  PickBranch("0001");
  server_->Kill9();
  const auto shown = dialogs_.Messages().size();
  f.tcbAtualizarClick(f.tcbAtualizar);
  ASSERT_EQ(dialogs_.Messages().size(), shown + 1);
  EXPECT_TRUE(dialogs_.Messages().back().touch);
  EXPECT_FALSE(host::ShowAviActive());
  EXPECT_EQ(f.cdsCaixa->RecordCount(), 3);  // the list stays as it was
}
