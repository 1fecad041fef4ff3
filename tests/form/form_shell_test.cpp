// The screen opening in the host: controls, single instance, placement,
// connection and closing.
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "package/cli_ksl80500.h"
#include "platform/errors.h"
#include "tests/form/form_fixture.h"

#include "host/components/host_windows.h"
#include "host/components/touch_style.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>

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
  for (auto* b :
       {f.tcbPesquisar, f.tcbAtualizar, f.tcbCancela, f.tcbConfirma, f.tcbPrimeiro, f.tcbAnterior,
        f.tcbProximo, f.tcbUltimo, f.tcbAnt, f.tcbPrx, f.tcbDiaIni, f.tcbDiaFin})
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
      {f.tcbPesquisar, "P&esquisar"},
      {f.tcbAtualizar, "A&tualizar"},
      {f.tcbCancela, "Ca&ncelar"},
      {f.tcbConfirma, "C&onfirmar"},
      {f.spbSair, "&Sair"},
      {f.tcbAnt, QStringLiteral("Pág. &Ant.")},
      {f.tcbPrx, QStringLiteral("Pág. &Pos.")},
  };
  for (const auto& e : captions)
    EXPECT_EQ(static_cast<QAbstractButton*>(e.control)->text(), e.text);
  EXPECT_EQ(f.tcbAnt->toolTip(), QStringLiteral("Página Anterior"));
  EXPECT_EQ(f.tcbPrx->toolTip(), QStringLiteral("Próxima Página"));
  EXPECT_EQ(f.Label1->text(), QStringLiteral("Mês Corrente"));
  EXPECT_EQ(f.lblInfClie->text(),
            QStringLiteral("Permite digitar código do consumidor sem informar o cliente."));
  // The message table, every line in order, as the form's description
  // gives it (DTMAIOR says what it checks: a last day before the first).
  const QStringList messages = {
      "FILIAL|Filial ",
      "Operador|Operador ",
      "Versao|Versão ",
      "Parametro|Parametrização",
      "MESA_INF|Mesa padrão deve ser informada.",
      "PERC_INF|Percentual deve ser informado.",
      "COUVER_INF|Produto couver deve ser informado.",
      "GARC_INF|Garçom deve ser informado.",
      "CONSUM_INF|Produto consumação deve ser informado.",
      "PRODCOM_INF|Produto por taxa deve ser informado.",
      "N_CAIXA_CAD|Não há caixa cadastrado para a loja informada.",
      "Loja|Loja",
      "Caixa|Caixa",
      "PARCAIXA|Parametrização do Sistema Restaurante - Parâmetros do Caixa",
      "PARLOJA|Parametrização do Sistema Restaurante - Parâmetros da Loja",
      "PERCENTUAL|Informe o percentual",
      "GRUP_INF|Grupo de produtos deve ser informado.",
      "DTMAIOR|Data final não pode ser menor que a data inicial",
      "DTMENOR|Data inicial não pode ser maior que a data final",
      "TEMPO|informe o tempo para finalizar a consulta.",
      "DTINF|Data invalida.",
      "CAIXA_N|Caixa não cadastrado.",
      "DIAINI|Informe o dia inicial",
      "DIAFIN|Informe o Dia Final",
  };
  EXPECT_EQ(f.msgPadrao->Messages(), messages);
  // The cleared glyph is an empty picture; the ticked one a 40 x 40 box.
  EXPECT_TRUE(f.imgClear.Picture.isNull());
  EXPECT_EQ(f.imgMarcado.Picture.size(), QSize(40, 40));
}

// Places and sizes from the form's description, in the client area.
// At 640 x 480 the screen is drawn at 0.65 of its size, but its text stops
// at a legible size: the command captions fit whole, the product group's
// label is not covered by its value, and the form still fits the screen.
TEST_F(ScreenTest, OnASmallScreenTextStaysLegibleAndWhole) {
  host::SetTouchScale(0.65);
  struct Restore {
    ~Restore() { host::SetTouchScale(1.0); }
  } restore;
  TfrmParametroToten f;
  for (auto* b :
       {f.tcbAtualizar, f.tcbCancela, f.tcbConfirma, f.tcbCopiar, f.tcbHistorico, f.spbSair}) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_GE(QFontInfo(b->font()).pixelSize(), host::kSmallestTextPixels);
    EXPECT_GE(b->width(), b->CaptionWidth());
  }
  for (auto* l : {f.lblMsgIni, f.lblDescGprod, f.Label5, f.lblExtrato})
    EXPECT_GE(QFontInfo(l->font()).pixelSize(), host::kSmallestTextPixels);
  EXPECT_GE(f.lblDescGprod->width(),
            f.lblDescGprod->fontMetrics().horizontalAdvance(f.lblDescGprod->text()));
  EXPECT_GT(f.lblGrupProd->x(), f.lblDescGprod->geometry().right());
  EXPECT_LE(f.client->width(), 624);
}

TEST_F(ScreenTest, ControlsStandWhereTheFormDescriptionPutsThem) {
  TfrmParametroToten f;
  const QPoint page = f.ntbTot->pos();
  auto inClient = [&](QWidget* w) {
    return w->parentWidget() == f.client ? w->geometry() : w->geometry().translated(page);
  };
  EXPECT_EQ(f.ntbTot->geometry(), QRect(9, 8, 697, 502));
  struct Place {
    QWidget* control;
    int left, top, width, height;
  } places[] = {
      {f.tcbPesquisar, 716, 13, 60, 58}, {f.tcbAtualizar, 716, 79, 60, 58},
      {f.tcbCancela, 716, 172, 60, 58},  {f.tcbConfirma, 716, 239, 60, 58},
      {f.spbSair, 716, 514, 60, 58},     {f.tcbPrimeiro, 12, 514, 60, 58},
      {f.tcbAnterior, 78, 514, 60, 58},  {f.tcbProximo, 144, 514, 60, 58},
      {f.tcbUltimo, 210, 514, 60, 58},   {f.tcbAnt, 577, 515, 60, 58},
      {f.tcbPrx, 642, 515, 60, 58},      {f.lblNmCaixa, 275, -1, 299, 37},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.control->objectName().toStdString());
    const QRect r = inClient(p.control);
    EXPECT_EQ(r.left(), p.left);
    if (p.top >= 0) {
      EXPECT_EQ(r.top(), p.top);
    }
    EXPECT_EQ(r.size(), QSize(p.width, p.height));
  }
  // Touch buttons on the pages are 56 x 46; value displays have their widths.
  for (auto* b : {f.tcbFilial, f.tcbMenIni, f.tcbMenAdi, f.TouchButton1, f.tcbExtrato, f.tcbExtrDel,
                  f.tcbSubGrupos, f.spdGrupProd, f.tcbSelecLoja, f.tcbMensInf, f.tcbInfClie,
                  f.tcbCorrente, f.tcbInterval, f.tcbDiaIni, f.tcbDiaFin, f.tcbSegundos})
    EXPECT_EQ(b->size(), QSize(56, 46)) << b->objectName().toStdString();
  const std::pair<QWidget*, int> widths[] = {
      {f.lblNmFilial, 617}, {f.lblValMenIni, 538}, {f.lblValMenAdi, 538}, {f.lblValConTot, 538},
      {f.lblGrupProd, 407}, {f.lblValDiaIni, 112}, {f.lblValDiaFin, 112}, {f.lblValSeg, 112}};
  for (const auto& [display, width] : widths)
    EXPECT_EQ(display->width(), width) << display->objectName().toStdString();
  EXPECT_EQ(f.dbgCaixa->columnWidth(0), 73);
  EXPECT_EQ(f.dbgCaixa->columnWidth(1), 269);
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

// Offsets count the size the form really has: inside the host's area that
// is with its frame and title bar. A screen smaller than the form starts at
// its top left corner, never before it (out of reach).
TEST_F(ScreenTest, SmallScreenCentresTheFormButNeverBeforeTheCorner) {
  QMainWindow host;
  auto* area = new QMdiArea(&host);
  host.setCentralWidget(area);
  host.resize(1024, 768);
  for (bool inHost : {false, true}) {
    host::SetHostWindows(inHost ? &host : nullptr, inHost ? area : nullptr);
    for (QSize screen :
         {QSize(640, 480), QSize(640, 600), QSize(800, 480), QSize(800, 600), QSize(1920, 1080)}) {
      SCOPED_TRACE(std::to_string(screen.width()) + "x" + std::to_string(screen.height()) +
                   (inHost ? " in the host" : " alone"));
      TfrmParametroToten::SetScreenSizeOverride(screen);
      TfrmParametroToten f;
      if (inHost) {
        EXPECT_EQ(f.mdiArea(), area);
        EXPECT_GT(f.width(), 786);  // the frame counts
      }
      const int left = screen.width() < 800 ? std::max(0, (screen.width() - f.width()) / 2)
                                            : TfrmParametroToten::kDesignLeft;
      const int top = screen.height() < 600 ? std::max(0, (screen.height() - f.height()) / 2)
                                            : TfrmParametroToten::kDesignTop;
      EXPECT_GE(f.x(), 0);
      EXPECT_GE(f.y(), 0);
      EXPECT_EQ(f.pos(), QPoint(left, top));
    }
  }
  host::SetHostWindows(nullptr, nullptr);
  TfrmParametroToten::SetScreenSizeOverride(std::nullopt);
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
