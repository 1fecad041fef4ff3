// The screen opening in the host: controls, single instance, placement,
// connection and closing.
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "package/package_info.h"
#include "platform/errors.h"
#include "tests/form/form_fixture.h"

#include <QApplication>

using namespace totem;
using form::TfrmParametroToten;
using test::ScreenTest;

namespace {

// Finalises a module initialised by a test, whatever the test's outcome.
struct ModuleLoaded {
  ModuleLoaded() { package::Initialize(); }
  ~ModuleLoaded() {
    while (package::InitializationCount() > 0) package::Finalize();
  }
};

}  // namespace

TEST_F(ScreenTest, FreshFormHasOnlyExitAndBranchButtonsEnabled) {
  TfrmParametroToten f;
  EXPECT_EQ(f.windowTitle(), QStringLiteral("Parametrização do Sistema Totem"));
  EXPECT_TRUE(f.spbSair->isEnabled());
  EXPECT_TRUE(f.tcbFilial->isEnabled());
  for (auto* b : {f.tcbPesquisar, f.tcbAtualizar, f.tcbCancela, f.tcbConfirma, f.tcbPrimeiro,
                  f.tcbAnterior, f.tcbProximo, f.tcbUltimo, f.tcbAnt, f.tcbPrx, f.tcbDiaIni,
                  f.tcbDiaFin})
    EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
  EXPECT_TRUE(f.tcbPesquisar->isHidden());
  EXPECT_TRUE(f.lblCodTela->isHidden());
  EXPECT_EQ(f.lblCodTela->text(), "Ksl80500");
  EXPECT_EQ(f.ntbTot->PageIndex(), 0);
  EXPECT_EQ(f.ntbTot->Pages(), (QStringList{"Totem", "Totem1", "Totem2"}));
  EXPECT_EQ(f.client->size(), QSize(786, 581));
  EXPECT_TRUE(f.lblNmFilial->text().isEmpty());
  // The branch list was read at creation.
  EXPECT_FALSE(f.cdsFilial->IsEmpty());
  EXPECT_FALSE(boGetConf);
}

TEST_F(ScreenTest, ControlsCarryTheirCaptionsAndHints) {
  TfrmParametroToten f;
  struct Expect {
    QWidget* control;
    QString text;
  };
  const Expect captions[] = {
      {f.tcbPesquisar, "P&esquisar"},      {f.tcbAtualizar, "A&tualizar"},
      {f.tcbCancela, "Ca&ncelar"},         {f.tcbConfirma, "C&onfirmar"},
      {f.spbSair, "&Sair"},                {f.tcbAnt, QStringLiteral("Pág. &Ant.")},
      {f.tcbPrx, QStringLiteral("Pág. &Pos.")},
  };
  for (const auto& e : captions)
    EXPECT_EQ(static_cast<QAbstractButton*>(e.control)->text(), e.text);
  EXPECT_EQ(f.tcbAnt->toolTip(), QStringLiteral("Página Anterior"));
  EXPECT_EQ(f.tcbPrx->toolTip(), QStringLiteral("Próxima Página"));
  EXPECT_EQ(f.Label1->text(), QStringLiteral("Mês Corrente"));
  EXPECT_EQ(f.lblInfClie->text(),
            QStringLiteral("Permite digitar código do consumidor sem informar o cliente."));
  EXPECT_EQ(f.msgPadrao->Messages().size(), 24);
  EXPECT_EQ(f.msgPadrao->Msg("CAIXA_N"), QStringLiteral("Caixa não cadastrado."));
  EXPECT_EQ(f.msgPadrao->Msg("DTINF"), QStringLiteral("Data invalida."));
  // The cleared glyph is an empty picture; the ticked one a 40 x 40 box.
  EXPECT_TRUE(f.imgClear.Picture.isNull());
  EXPECT_EQ(f.imgMarcado.Picture.size(), QSize(40, 40));
}

TEST_F(ScreenTest, IniProcTwiceGivesOneForm) {
  ModuleLoaded module;
  package::CtrlParametroToten();
  auto* first = frmParametroToten;
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(boIdCriado);
  package::CtrlParametroToten();
  EXPECT_EQ(frmParametroToten, first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ScreenTest, CloseAndReopenGivesANewInstanceKeepingTheTexts) {
  ModuleLoaded module;
  package::CtrlParametroToten();
  boGetConf = true;
  stMenIni = "Bem-vindo";
  stSegundos = "30";
  frmParametroToten->close();
  EXPECT_FALSE(boIdCriado);
  EXPECT_FALSE(frmParametroToten->netToten.Connected());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the release
  EXPECT_EQ(frmParametroToten, nullptr);

  package::CtrlParametroToten();
  ASSERT_NE(frmParametroToten, nullptr);
  EXPECT_FALSE(boGetConf);
  EXPECT_EQ(stMenIni, "Bem-vindo");
  EXPECT_EQ(stSegundos, "30");
}

TEST_F(ScreenTest, UnloadClearsTheTextsOnlyOnTheLastFinalisation) {
  package::Initialize();
  package::Initialize();
  stMenCon = "Consumidor";
  stCdGrupProd = "10";
  package::Finalize();
  EXPECT_EQ(stMenCon, "Consumidor");
  package::Finalize();
  EXPECT_EQ(stMenCon, "");
  EXPECT_EQ(stCdGrupProd, "");
  package::Finalize();  // one too many changes nothing
  EXPECT_EQ(package::InitializationCount(), 0);
}

TEST_F(ScreenTest, SmallScreenPlacesTheFormAtANegativeOffset) {
  struct Case {
    QSize screen;
    bool moved;
  } cases[] = {{{640, 480}, true}, {{800, 600}, false}, {{1920, 1080}, false}};
  for (const auto& c : cases) {
    TfrmParametroToten::SetScreenSizeOverride(c.screen);
    TfrmParametroToten f;
    if (c.moved) {
      EXPECT_EQ(f.x(), (640 - f.width()) / 2);
      EXPECT_EQ(f.y(), (480 - f.height()) / 2);
      EXPECT_LT(f.x(), 0);
      EXPECT_LT(f.y(), 0);
    } else {
      EXPECT_EQ(f.pos(), QPoint(TfrmParametroToten::kDesignLeft, TfrmParametroToten::kDesignTop));
    }
  }
}

TEST_F(ScreenTest, HostAndPortAreReadAgainOnEveryConnect) {
  TfrmParametroToten f;
  EXPECT_EQ(f.netToten.Port(), server_->Port());
  f.netToten.Close();
  AimAt("127.0.0.1", 1);  // the host's settings now name another server
  EXPECT_THROW(f.netToten.Open(), ConnectionError);
  EXPECT_EQ(f.netToten.Port(), 1);
  AimAtServer();
  f.netToten.Open();
  EXPECT_TRUE(f.netToten.Connected());
}

TEST_F(ScreenTest, ServerDownAtCreationRaisesAndLeavesNoForm) {
  ModuleLoaded module;
  AimAt("127.0.0.1", 1);
  EXPECT_THROW(package::CtrlParametroToten(), ConnectionError);
  EXPECT_FALSE(boIdCriado);
  EXPECT_EQ(frmParametroToten, nullptr);
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}
