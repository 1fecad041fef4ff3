// Letter shortcuts, Alt+F4 and the page buttons.
#include "form/module_state.h"
#include "tests/form/chain_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <functional>

using namespace totem;
using form::TfrmParametroToten;
using form::TShiftState;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class LetterKeys : public ChainTest {};

namespace {

std::uint16_t Press(TfrmParametroToten& f, char key, TShiftState shift = 0) {
  std::uint16_t k = static_cast<std::uint16_t>(key);
  f.FormKeyDown(&f, k, shift);
  return k;
}

}  // namespace

// Every button, found by its name and touched as a finger would: each row's
// check is an effect only that button's own handler has, so two buttons
// bound to each other's handlers fail here.
TEST_F(LetterKeys, EachButtonRunsItsOwnHandler) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  auto at = [&](const char* caixa) { return f.cdsCaixa->FieldAsString("CDCAIXA") == caixa; };
  auto only = [&](std::vector<std::string> methods) { return CalledMethods() == methods; };
  struct Row {
    const char* button;
    int page;
    std::function<void()> script;
    std::function<bool()> effect;
  };
  const Row rows[] = {
      {"tcbMenIni", 1, [&] { dialogs_.AnswerKeyboard("k1"); },
       [&] { return f.lblValMenIni->text() == "k1"; }},
      {"tcbMenAdi", 1, [&] { dialogs_.AnswerKeyboard("k2"); },
       [&] { return f.lblValMenAdi->text() == "k2"; }},
      {"TouchButton1", 1, [&] { dialogs_.AnswerKeyboard("k3"); },
       [&] { return f.lblValConTot->text() == "k3"; }},
      {"tcbExtrDel", 1, {}, [&] { return stIdExtrato == "2"; }},
      {"tcbSubGrupos", 1, {}, [&] { return stIdExtrato == "3"; }},
      {"spdGrupProd", 1, [&] { dialogs_.PickWhere("CDGRUPPROD", "20"); },
       [&] { return stCdGrupProd == "20"; }},
      {"tcbExtrato", 1, {}, [&] { return stIdExtrato == "1" && stCdGrupProd.empty(); }},
      {"tcbSelecLoja", 1, {}, [&] { return f.SelLoja() == "S"; }},
      {"tcbMensInf", 1, {}, [&] { return stIdExiMsg == "S"; }},
      {"tcbInfClie", 1, {}, [&] { return stIDINFCLIECAI == "S"; }},
      {"tcbInterval",
       2,
       {},
       [&] { return f.tcbDiaIni->isEnabled() && !f.tcbInterval->Glyph().isNull(); }},
      {"tcbDiaIni", 2, [&] { dialogs_.AnswerQuantity(4); },
       [&] { return f.lblValDiaIni->text() == "4"; }},
      {"tcbDiaFin", 2, [&] { dialogs_.AnswerQuantity(9); },
       [&] { return f.lblValDiaFin->text() == "9"; }},
      {"tcbSegundos", 2, [&] { dialogs_.AnswerQuantity(77); },
       [&] { return f.lblValSeg->text() == "77"; }},
      {"tcbCorrente",
       2,
       {},
       [&] { return f.lblValDiaIni->text().isEmpty() && !f.tcbDiaIni->isEnabled(); }},
      {"tcbAnt", 2, {}, [&] { return f.ntbTot->PageIndex() == 1; }},
      {"tcbPrx", 1, {}, [&] { return f.ntbTot->PageIndex() == 2; }},
      {"tcbUltimo", 0, {}, [&] { return at("003"); }},
      {"tcbPrimeiro", 0, {}, [&] { return at("001"); }},
      {"tcbProximo", 0, {}, [&] { return at("002"); }},
      {"tcbAnterior", 0, {}, [&] { return at("001"); }},
      {"tcbAtualizar", 0, [&] { ForgetCalls(); },
       [&] { return CalledMethods().at(0) == "getConfCaixa"; }},
      {"tcbCancela", 0, [&] { ForgetCalls(); }, [&] { return only({"getCarregaPar"}); }},
      {"tcbConfirma", 0, [&] { ForgetCalls(); },
       [&] {
         return only({"getVerifPar", "setUpdParametros"});
       }},
      {"tcbHistorico", 0, [&] { dialogs_.ReadHistory(1); },
       [&] { return dialogs_.HistoryCalls().size() == 1; }},
      {"tcbCopiar", 0,
       [&] {
         dialogs_.AnswerCopy({{"0002", "101"}}, false);
       },
       [&] { return dialogs_.CopyCalls().size() == 1; }},
      {"tcbFilial", 0, [&] { dialogs_.PickWhere("CDFILIAL", "0002"); },
       [&] { return f.lblNmFilial->text().startsWith("0002"); }},
      {"spbSair", 0, {}, [&] { return !boIdCriado && !f.netToten.Connected(); }},
  };
  boIdCriado = true;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.button);
    auto* button = f.findChild<host::TTouchButton*>(row.button);
    ASSERT_NE(button, nullptr);
    f.ntbTot->SetPageIndex(row.page);
    button->setEnabled(true);
    if (row.script) row.script();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(row.effect());
  }
  static_cast<void>(screen_.release());  // the screen released itself
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST_F(LetterKeys, AltF4AloneIsSwallowed) {
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

TEST_F(LetterKeys, FStartsTheBranchSearchOnlyOnTheFirstPage) {
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

TEST_F(LetterKeys, PageKeysMoveThroughThePagesWhateverTheButtons) {
  auto& f = OpenScreen();
  ASSERT_FALSE(f.tcbPrx->isEnabled());
  struct Step {
    char key;
    int page;
    bool ant, prx;
  } steps[] = {{'A', 0, false, true}, {'P', 1, true, true},  {'P', 2, true, true},
               {'P', 2, true, false}, {'P', 2, true, false}, {'A', 1, true, true},
               {'A', 0, true, true},  {'A', 0, false, true}};
  for (const auto& s : steps) {
    Press(f, s.key, form::ssShift);
    EXPECT_EQ(f.ntbTot->PageIndex(), s.page);
    EXPECT_EQ(f.tcbAnt->isEnabled(), s.ant);
    EXPECT_EQ(f.tcbPrx->isEnabled(), s.prx);
  }
}

TEST_F(LetterKeys, ConfirmAndCancelKeysRunWhileTheirButtonsAreDisabled) {
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

TEST_F(LetterKeys, SClosesTheScreenWithAnyModifier) {
  for (TShiftState shift : {TShiftState(0), TShiftState(form::ssCtrl), TShiftState(form::ssShift),
                            TShiftState(form::ssAlt)}) {
    auto& f = OpenScreen();
    boIdCriado = true;
    Press(f, 'S', shift);
    EXPECT_FALSE(boIdCriado) << shift;
    EXPECT_FALSE(f.netToten.Connected());
    // The screen released itself; let it go.
    static_cast<void>(screen_.release());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

TEST_F(LetterKeys, RealKeyPressesReachTheShortcutsBeforeTheFocusedControl) {
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
