// The editing handlers of pages "Totem1" and "Totem2": each changes the
// working copy and what the page shows, and enables Confirm and Cancel.
#include "form/module_state.h"
#include "host/components/busy_overlay.h"
#include "platform/errors.h"
#include "tests/form/chain_fixture.h"

#include <QTest>

using namespace totem;
using form::TfrmParametroToten;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class Editing : public ChainTest {};

namespace {

bool Ticked(const host::TTouchButton* b) { return !b->Glyph().isNull(); }

void ExpectChanged(TfrmParametroToten& f) {
  EXPECT_TRUE(f.tcbConfirma->isEnabled());
  EXPECT_TRUE(f.tcbCancela->isEnabled());
}

}  // namespace

TEST_F(Editing, MessageKeyboardAnswersSetClearOrKeepTheCaption) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  struct Case {
    void (TfrmParametroToten::*handler)(QObject*);
    QLabel* TfrmParametroToten::*caption;
  } rows[] = {{&TfrmParametroToten::tcbMenIniClick, &TfrmParametroToten::lblValMenIni},
              {&TfrmParametroToten::tcbMenAdiClick, &TfrmParametroToten::lblValMenAdi},
              {&TfrmParametroToten::TouchButton1Click, &TfrmParametroToten::lblValConTot}};
  for (const auto& row : rows) {
    QLabel* caption = f.*row.caption;
    SCOPED_TRACE(caption->objectName().toStdString());
    const QString before = caption->text();
    dialogs_.AnswerKeyboard("");  // nothing typed: unchanged
    (f.*row.handler)(nullptr);
    EXPECT_EQ(caption->text(), before);
    EXPECT_EQ(dialogs_.KeyboardCalls().back(), before);  // the keyboard starts from the caption
    ExpectChanged(f);
    dialogs_.AnswerKeyboard(QStringLiteral("Promoção: 2 por 1"));
    (f.*row.handler)(nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("Promoção: 2 por 1"));
    EXPECT_EQ(f.TextoDigitado(), QStringLiteral("Promoção: 2 por 1").toStdString());
    dialogs_.AnswerKeyboard("a@b");  // "@" among other text is just text
    (f.*row.handler)(nullptr);
    EXPECT_EQ(caption->text(), "a@b");
    dialogs_.AnswerKeyboard("@");  // "@" alone clears
    (f.*row.handler)(nullptr);
    EXPECT_TRUE(caption->text().isEmpty());
  }
}

// A touch screen has no tooltips: a tap on a message's display shows the
// whole text, under the label that names it, and changes nothing.
TEST_F(Editing, TapOnAValueDisplayShowsItsWholeText) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  const QString whole = QString(190, QLatin1Char('x')) + QStringLiteral(" fim da Ação");
  f.lblValConTot->setText(whole);
  f.ntbTot->SetPageIndex(1);
  QTest::mouseClick(f.lblValConTot, Qt::LeftButton);
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_EQ(dialogs_.Messages()[0].type, host::mtInformation);
  EXPECT_EQ(dialogs_.Messages()[0].text, f.lblMsgCon->text() + ":\n\n" + whole);
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
}

TEST_F(Editing, StatementTypeTransitions) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");  // type 3, group 10, store selection "S"

  f.tcbExtrDelClick(nullptr);  // 3 -> 2: group emptied, store selection kept
  EXPECT_EQ(stIdExtrato, "2");
  EXPECT_TRUE(stCdGrupProd.empty());
  EXPECT_TRUE(stNmGrupProd.empty());
  EXPECT_TRUE(f.lblGrupProd->text().isEmpty());
  EXPECT_EQ(f.SelLoja(), "S");
  EXPECT_TRUE(Ticked(f.tcbSelecLoja));
  EXPECT_TRUE(f.tcbSelecLoja->isEnabled());
  EXPECT_FALSE(f.spdGrupProd->isEnabled());
  EXPECT_TRUE(Ticked(f.tcbExtrDel));
  EXPECT_FALSE(Ticked(f.tcbSubGrupos));
  ExpectChanged(f);

  f.tcbSubGruposClick(nullptr);
  f.tcbExtratoClick(nullptr);  // 3 -> 1: store selection "N", disabled
  EXPECT_EQ(stIdExtrato, "1");
  EXPECT_EQ(f.SelLoja(), "N");
  EXPECT_FALSE(Ticked(f.tcbSelecLoja));
  EXPECT_FALSE(f.tcbSelecLoja->isEnabled());
  EXPECT_FALSE(f.lblSelecLoja->isEnabled());
  EXPECT_FALSE(f.spdGrupProd->isEnabled());

  f.tcbSubGruposClick(nullptr);  // 1 -> 3: store enabled but still "N", group still empty
  EXPECT_EQ(stIdExtrato, "3");
  EXPECT_TRUE(f.tcbSelecLoja->isEnabled());
  EXPECT_EQ(f.SelLoja(), "N");
  EXPECT_TRUE(f.spdGrupProd->isEnabled());
  EXPECT_TRUE(f.lblDescGprod->isEnabled());
  EXPECT_TRUE(stCdGrupProd.empty());
}

TEST_F(Editing, GroupSearchPickedCancelledAndFailing) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  dialogs_.PickWhere("CDGRUPPROD", "20");
  f.tcbPesqRegraConsClick(nullptr);
  EXPECT_EQ(f.lblGrupProd->text(), "20 - Sobremesas");
  EXPECT_EQ(stCdGrupProd, "20");
  EXPECT_EQ(stNmGrupProd, "Sobremesas");
  EXPECT_EQ(dialogs_.SearchCalls().back().dataset, "cdsPesqGrupProd");
  EXPECT_FALSE(host::ShowAviActive());
  ExpectChanged(f);

  dialogs_.CancelSearch();  // a cancelled search drops the group chosen before
  f.tcbPesqRegraConsClick(nullptr);
  EXPECT_TRUE(f.lblGrupProd->text().isEmpty());
  EXPECT_TRUE(stCdGrupProd.empty());

  dialogs_.PickWhere("CDGRUPPROD", "10");
  f.tcbPesqRegraConsClick(nullptr);
  f.ControlBot(false);
  server_->Kill9();
  const auto searches = dialogs_.SearchCalls().size();
  EXPECT_THROW(f.tcbPesqRegraConsClick(nullptr), TotemError);
  EXPECT_FALSE(host::ShowAviActive());
  EXPECT_EQ(dialogs_.SearchCalls().size(), searches);  // the list was not opened
  EXPECT_EQ(f.lblGrupProd->text(), "10 - Bebidas");
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
}

TEST_F(Editing, TogglesFlipSToNAndAnythingElseToS) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  for (const char* start : {"S", "N", "", "X"}) {
    SCOPED_TRACE(std::string("from '") + start + "'");
    stIdExiMsg = start;
    f.tcbMensInfClick(nullptr);
    const bool nowS = std::string(start) != "S";
    EXPECT_EQ(stIdExiMsg, nowS ? "S" : "N");
    EXPECT_EQ(Ticked(f.tcbMensInf), nowS);
    stIDINFCLIECAI = start;
    f.tcbInfClieClick(nullptr);
    EXPECT_EQ(stIDINFCLIECAI, nowS ? "S" : "N");
    EXPECT_EQ(Ticked(f.tcbInfClie), nowS);
  }
  f.tcbSelecLojaClick(nullptr);  // loaded "S"
  EXPECT_EQ(f.SelLoja(), "N");
  EXPECT_FALSE(Ticked(f.tcbSelecLoja));
  ExpectChanged(f);
}

TEST_F(Editing, PeriodButtonsActAsOneRadioGroup) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");  // interval 5..20
  const std::string diaIni = stDiaIni;
  f.tcbCorrenteClick(nullptr);
  EXPECT_TRUE(f.lblValDiaIni->text().isEmpty());
  EXPECT_TRUE(f.lblValDiaFin->text().isEmpty());
  EXPECT_FALSE(f.tcbDiaIni->isEnabled());
  EXPECT_TRUE(Ticked(f.tcbCorrente));
  EXPECT_FALSE(Ticked(f.tcbInterval));
  EXPECT_EQ(stDiaIni, diaIni);  // the variables are refreshed from the captions at save only
  ExpectChanged(f);
  f.tcbIntervalClick(nullptr);
  EXPECT_TRUE(f.tcbDiaIni->isEnabled());
  EXPECT_TRUE(f.tcbDiaFin->isEnabled());
  EXPECT_TRUE(f.lblValDiaIni->text().isEmpty());
  EXPECT_TRUE(Ticked(f.tcbInterval));
}

TEST_F(Editing, DayChecksAskAgainUntilAValuePasses) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");  // 5..20
  struct Case {
    bool firstDay;
    std::vector<double> answers;
    std::vector<const char*> messages;  // message keys shown, in order
    const char* caption;                // caption afterwards
  } cases[] = {
      {true, {31, 4}, {"DTMENOR"}, "4"},            // 31 passes the bound, not the order
      {true, {32, 0, 6}, {"DTINF", "DTINF"}, "6"},  // above 31 and zero: invalid
      {true, {20}, {}, "20"},                       // equal to the last day
      {false, {3, 25}, {"DTMAIOR"}, "25"},          // before the first day
      {false, {20}, {}, "20"},                      // equal to the first day
      {false, {-1}, {}, "20"},                      // keypad cancelled: the old day stays
      {true, {-1}, {}, "20"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.firstDay ? "first" : "last") + " day, caption " + c.caption);
    for (double a : c.answers) dialogs_.AnswerQuantity(a);
    const auto shown = dialogs_.Messages().size();
    const auto asked = dialogs_.QuantityCalls().size();
    f.ControlBot(false);
    if (c.firstDay)
      f.tcbDiaIniClick(f.tcbDiaIni);
    else
      f.tcbDiaFinClick(f.tcbDiaFin);
    EXPECT_EQ(dialogs_.QuantityCalls().size() - asked, c.answers.size());
    ASSERT_EQ(dialogs_.Messages().size() - shown, c.messages.size());
    for (std::size_t i = 0; i < c.messages.size(); ++i)
      EXPECT_EQ(dialogs_.Messages()[shown + i].text, f.msgPadrao->Msg(c.messages[i]));
    EXPECT_EQ((c.firstDay ? f.lblValDiaIni : f.lblValDiaFin)->text(), c.caption);
    ExpectChanged(f);
  }
  EXPECT_EQ(dialogs_.QuantityCalls().back().maxDigits, "2");
  EXPECT_EQ(dialogs_.QuantityCalls().back().prompt, "Informe o dia inicial");
  EXPECT_EQ(stDiaIni, "20");
  EXPECT_EQ(stDiaFin, "20");
}

TEST_F(Editing, DaysAreNotOrderedAgainstAnEmptyCaption) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");  // current month
  f.tcbIntervalClick(nullptr);
  dialogs_.AnswerQuantity(28);
  f.tcbDiaIniClick(nullptr);
  EXPECT_EQ(f.lblValDiaIni->text(), "28");
  f.lblValDiaIni->clear();
  dialogs_.AnswerQuantity(1);
  f.tcbDiaFinClick(nullptr);
  EXPECT_EQ(f.lblValDiaFin->text(), "1");
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(Editing, SecondsAcceptZeroAndKeepTheOldValueOnACancelledKeypad) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");  // 30 seconds
  dialogs_.AnswerQuantity(-1);
  f.tcbSegundosClick(nullptr);
  EXPECT_EQ(f.lblValSeg->text(), "30");
  EXPECT_EQ(stSegundos, "30");
  ExpectChanged(f);
  dialogs_.AnswerQuantity(0);
  f.tcbSegundosClick(nullptr);
  EXPECT_EQ(f.lblValSeg->text(), "0");
  dialogs_.AnswerQuantity(99999);
  f.tcbSegundosClick(nullptr);
  EXPECT_EQ(f.lblValSeg->text(), "99999");
  EXPECT_EQ(dialogs_.QuantityCalls().back().maxDigits, "5");
  EXPECT_EQ(dialogs_.QuantityCalls().back().prompt,
            QStringLiteral("informe o tempo para finalizar a consulta."));
}
