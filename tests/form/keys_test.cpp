// Letter shortcuts, Alt+F4 and the page buttons.
#include "form/module_state.h"
#include "tests/form/chain_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

using namespace totem;
using form::TfrmParametroToten;
using form::TShiftState;
using test::ChainTest;

namespace {

std::uint16_t Press(TfrmParametroToten& f, char key, TShiftState shift = 0) {
  std::uint16_t k = static_cast<std::uint16_t>(key);
  f.FormKeyDown(&f, k, shift);
  return k;
}

}  // namespace

TEST_F(ChainTest, AltF4AloneIsSwallowed) {
  auto& f = OpenScreen();
  struct Case {
    TShiftState shift;
    bool swallowed;
  } cases[] = {{form::ssAlt, true},
               {0, false},
               {form::ssAlt | form::ssCtrl, false},
               {form::ssAlt | form::ssShift, false}};
  for (const auto& c : cases) {
    std::uint16_t key = 115;
    f.FormKeyDown(&f, key, c.shift);
    EXPECT_EQ(key, c.swallowed ? 0 : 115) << c.shift;
  }
}

TEST_F(ChainTest, FStartsTheBranchSearchOnlyOnTheFirstPage) {
  auto& f = OpenScreen();
  dialogs_.CancelSearch();
  EXPECT_EQ(Press(f, 'F'), 'F');  // the key is left as it was
  EXPECT_EQ(dialogs_.SearchCalls().size(), 1u);
  f.ntbTot->SetPageIndex(1);
  Press(f, 'F');
  f.ntbTot->SetPageIndex(2);
  Press(f, 'F', form::ssCtrl);
  EXPECT_EQ(dialogs_.SearchCalls().size(), 1u);
}

TEST_F(ChainTest, PageKeysMoveThroughThePagesWhateverTheButtons) {
  auto& f = OpenScreen();
  ASSERT_FALSE(f.tcbPrx->isEnabled());
  struct Step {
    char key;
    int page;
    bool ant, prx;
  } steps[] = {{'A', 0, false, true}, {'P', 1, true, true}, {'P', 2, true, true},
               {'P', 2, true, false}, {'P', 2, true, false}, {'A', 1, true, true},
               {'A', 0, true, true},  {'A', 0, false, true}};
  for (const auto& s : steps) {
    Press(f, s.key, form::ssShift);
    EXPECT_EQ(f.ntbTot->PageIndex(), s.page);
    EXPECT_EQ(f.tcbAnt->isEnabled(), s.ant);
    EXPECT_EQ(f.tcbPrx->isEnabled(), s.prx);
  }
}

TEST_F(ChainTest, ConfirmAndCancelKeysRunWhileTheirButtonsAreDisabled) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  ASSERT_FALSE(f.tcbConfirma->isEnabled());
  ForgetCalls();
  Press(f, 'O');
  EXPECT_EQ(CalledMethods(), (std::vector<std::string>{"getVerifPar", "setUpdParametros"}));
  ForgetCalls();
  Press(f, 'N', form::ssAlt);
  EXPECT_EQ(CalledMethods(), std::vector<std::string>{"getCarregaPar"});
  ForgetCalls();
  Press(f, 'T', form::ssCtrl);
  // The new list moves the current row, which loads its record.
  EXPECT_EQ(CalledMethods(), (std::vector<std::string>{"getConfCaixa", "getCarregaPar"}));
}

TEST_F(ChainTest, SClosesTheScreenWithAnyModifier) {
  for (TShiftState shift : {TShiftState(0), TShiftState(form::ssCtrl), TShiftState(form::ssShift),
                            TShiftState(form::ssAlt)}) {
    auto& f = OpenScreen();
    boIdCriado = true;
    Press(f, 'S', shift);
    EXPECT_FALSE(boIdCriado) << shift;
    EXPECT_FALSE(f.netToten.Connected());
    // The screen released itself; let it go.
    screen_.release();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(ChainTest, RealKeyPressesReachTheShortcutsBeforeTheFocusedControl) {
  auto& f = OpenScreen();
  PickBranch("0001");
  f.show();
  f.dbgCaixa->setFocus();
  const int row = f.cdsCaixa->RecNo();
  // "T" would also make the grid jump to a row starting with it; the
  // shortcut takes the key first and the grid does not see it.
  ForgetCalls();
  QTest::keyClick(f.dbgCaixa, Qt::Key_T);
  EXPECT_EQ(CalledMethods(), (std::vector<std::string>{"getConfCaixa", "getCarregaPar"}));
  EXPECT_EQ(f.cdsCaixa->RecNo(), row);
  QTest::keyClick(f.dbgCaixa, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(f.ntbTot->PageIndex(), 1);
  // Alt+F4 is swallowed: the screen stays open.
  QTest::keyClick(f.dbgCaixa, Qt::Key_F4, Qt::AltModifier);
  EXPECT_TRUE(f.isVisible());
}
