// Showing a register's parameter record: the period, statement-type and
// option rules, and what happens when a read fails.
#include "form/module_state.h"
#include "platform/errors.h"
#include "service/dataset_fields.h"
#include "tests/form/chain_fixture.h"
#include "tests/support/packet_builder.h"

#include <map>

using namespace totem;
using form::TfrmParametroToten;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class Loading : public ChainTest {};

namespace {

bool Ticked(const host::TTouchButton* b) { return !b->Glyph().isNull(); }

// A parameter packet with one row; unnamed fields are empty.
DataPacket Record(const std::map<std::string, std::string>& values) {
  return test::Packet(service::CarregaParFields()).Named(values);
}

DataPacket NoRecord() { return test::Packet(service::CarregaParFields()); }

}  // namespace

TEST_F(Loading, PeriodFollowsTheTwoDayCaptions) {
  auto& f = OpenScreen();
  struct Case {
    const char* ini;
    const char* fin;
    bool interval;
  } cases[] = {{"", "", false}, {"5", "", true}, {"", "12", true}, {"1", "31", true}};
  for (const auto& c : cases) {
    f.cdsCarregaPar->SetData(Record({{"NRDIAINITOT", c.ini}, {"NRDIAFINTOT", c.fin}}));
    f.PreencheValCampos(false);
    SCOPED_TRACE(std::string(c.ini) + "/" + c.fin);
    EXPECT_EQ(Ticked(f.tcbInterval), c.interval);
    EXPECT_EQ(Ticked(f.tcbCorrente), !c.interval);
    EXPECT_EQ(f.tcbDiaIni->isEnabled(), c.interval);
    EXPECT_EQ(f.tcbDiaFin->isEnabled(), c.interval);
    EXPECT_EQ(f.lblValDiaIni->text(), c.ini);
    EXPECT_EQ(f.lblValDiaFin->text(), c.fin);
  }
}

TEST_F(Loading, StatementTypeSetsItsButtonsAndAnUnknownTextTicksNone) {
  auto& f = OpenScreen();
  struct Case {
    const char* type;
    bool simple, detailed, subGroups, group, store;
  } cases[] = {
      {"1", true, false, false, false, false},
      {"2", false, true, false, false, true},
      {"3", false, false, true, true, true},
      // Unknown: no type ticked; the group and store enabling as type 3 left it.
      {"9", false, false, false, true, true},
      {"", false, false, false, true, true},
      {"1", true, false, false, false, false},
      {"x", false, false, false, false, false},  // as type 1 left them
  };
  for (const auto& c : cases) {
    f.cdsCarregaPar->SetData(Record({{"IDTIPEXTTOT", c.type}}));
    f.PreencheValCampos(false);
    SCOPED_TRACE(std::string("type '") + c.type + "'");
    EXPECT_EQ(stIdExtrato, c.type);
    EXPECT_EQ(Ticked(f.tcbExtrato), c.simple);
    EXPECT_EQ(Ticked(f.tcbExtrDel), c.detailed);
    EXPECT_EQ(Ticked(f.tcbSubGrupos), c.subGroups);
    EXPECT_EQ(f.spdGrupProd->isEnabled(), c.group);
    EXPECT_EQ(f.lblDescGprod->isEnabled(), c.group);
    EXPECT_EQ(f.tcbSelecLoja->isEnabled(), c.store);
    EXPECT_EQ(f.lblSelecLoja->isEnabled(), c.store);
  }
}

TEST_F(Loading, OptionsAreOnOnlyForAnExactCapitalS) {
  auto& f = OpenScreen();
  struct Case {
    const char* value;
    bool on;
  } cases[] = {{"S", true}, {"N", false}, {"s", false}, {"", false}, {"Sim", false}, {" S", false}};
  for (const auto& c : cases) {
    f.cdsCarregaPar->SetData(
        Record({{"IDSELLOJTOT", c.value}, {"IDEXIMSGSAL", c.value}, {"IDINFCLIECAI", c.value}}));
    f.PreencheValCampos(false);
    SCOPED_TRACE(std::string("value '") + c.value + "'");
    EXPECT_EQ(Ticked(f.tcbSelecLoja), c.on);
    EXPECT_EQ(Ticked(f.tcbMensInf), c.on);
    EXPECT_EQ(Ticked(f.tcbInfClie), c.on);
    // The store selection is turned into "S" or "N"; the other two keep the text.
    EXPECT_EQ(f.SelLoja(), c.on ? "S" : "N");
    EXPECT_EQ(stIdExiMsg, c.value);
    EXPECT_EQ(stIDINFCLIECAI, c.value);
  }
}

TEST_F(Loading, EmptyPacketShowsEmptyTextsCurrentMonthAndNoType) {
  auto& f = OpenScreen();
  f.cdsCarregaPar->SetData(
      Record({{"IDTIPEXTTOT", "2"}, {"DSMSGINITOT", "x"}, {"IDSELLOJTOT", "S"}}));
  f.PreencheValCampos(false);
  f.cdsCarregaPar->SetData(NoRecord());
  f.PreencheValCampos(false);
  for (auto* l : {f.lblValMenIni, f.lblValMenAdi, f.lblValConTot, f.lblValDiaIni, f.lblValDiaFin,
                  f.lblValSeg})
    EXPECT_TRUE(l->text().isEmpty()) << l->objectName().toStdString();
  EXPECT_EQ(f.lblGrupProd->text(), " - ");
  EXPECT_EQ(f.SelLoja(), "N");
  EXPECT_FALSE(Ticked(f.tcbSelecLoja));
  EXPECT_FALSE(Ticked(f.tcbMensInf));
  EXPECT_FALSE(Ticked(f.tcbInfClie));
  EXPECT_TRUE(Ticked(f.tcbCorrente));
  EXPECT_FALSE(Ticked(f.tcbExtrDel));        // no type shown for a record that holds none
  EXPECT_TRUE(f.tcbSelecLoja->isEnabled());  // the enabling as type 2 left it
}

TEST_F(Loading, RecordLoadedFromTheServerFillsBothPages) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  EXPECT_EQ(f.lblValMenIni->text(), "Bem-vindo");
  EXPECT_EQ(f.lblValMenAdi->text(), QStringLiteral("Promoção do dia"));
  EXPECT_EQ(f.lblValConTot->text(), "Seu saldo");
  EXPECT_EQ(f.lblValDiaIni->text(), "5");
  EXPECT_EQ(f.lblValDiaFin->text(), "20");
  EXPECT_EQ(f.lblValSeg->text(), "30");
  EXPECT_EQ(f.lblGrupProd->text(), "10 - Bebidas");
  EXPECT_EQ(stCdGrupProd, "10");
  EXPECT_EQ(stNmGrupProd, "Bebidas");
  EXPECT_TRUE(Ticked(f.tcbSubGrupos));
  EXPECT_TRUE(Ticked(f.tcbInterval));
  EXPECT_TRUE(f.tcbDiaIni->isEnabled());
  // Loading never touches Confirm and Cancel.
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
  EXPECT_FALSE(f.tcbCancela->isEnabled());
}

TEST_F(Loading, TypeThreeWithoutAGroupShowsTheSeparatorAndEnablesTheSearch) {
  auto& f = OpenScreen();
  ShowRegister("O'B1", "001");
  EXPECT_EQ(f.lblGrupProd->text(), " - ");
  EXPECT_TRUE(f.spdGrupProd->isEnabled());
  EXPECT_TRUE(Ticked(f.tcbSubGrupos));
}

TEST_F(Loading, RegisterWithoutARecordShowsEmptyValues) {
  auto& f = OpenScreen();
  ShowRegister("0001", "003");
  EXPECT_TRUE(f.lblValMenIni->text().isEmpty());
  EXPECT_EQ(f.lblGrupProd->text(), " - ");
  EXPECT_TRUE(Ticked(f.tcbCorrente));
}

TEST_F(Loading, RedrawWithoutLoadMakesNoCall) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  ForgetCalls();
  f.PreencheValCampos(false);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(Loading, FailedReadKeepsThePreviousValuesAndConfirmRefusesThem) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  server_->Kill9();
  const auto shown = dialogs_.Messages().size();
  f.tcbProximoClick(f.tcbProximo);
  // The failure is shown; the previous register's values stay on screen
  // under the new register's caption.
  ASSERT_EQ(dialogs_.Messages().size(), shown + 1);
  EXPECT_TRUE(dialogs_.Messages().back().touch);
  EXPECT_EQ(f.lblNmCaixa->text(), "002-Caixa Bar-Loja Centro");
  EXPECT_EQ(f.lblValMenIni->text(), "Bem-vindo");
  EXPECT_EQ(f.LoadedCaixa(), "001");

  // Saving them under register 002 would write 001's values into it.
  server_->RestartOnSamePort();
  f.ControlBot(true);
  ForgetCalls();
  EXPECT_THROW(f.tcbConfirmaClick(f.tcbConfirma), SilentAbort);
  EXPECT_TRUE(calls_.empty());
  EXPECT_TRUE(dialogs_.Messages().back().text.contains(QStringLiteral("não pertencem")));
  EXPECT_EQ(Stored("0001", "002", "dsmsginitot"), QStringLiteral("Olá").toStdString());
  EXPECT_TRUE(f.tcbConfirma->isEnabled());

  // Loading the register again (here with Cancel) makes it savable.
  f.tcbCancelaClick(f.tcbCancela);
  EXPECT_EQ(f.lblValMenIni->text(), QStringLiteral("Olá"));
  EXPECT_EQ(f.LoadedCaixa(), "002");
}
