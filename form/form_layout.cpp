// Builds the screen's controls: names, captions, hints, sizes, positions,
// colours, fonts and initial states.
#include "form/form_widgets.h"
#include "form/glyphs.h"
#include "form/message_table.h"
#include "form/parametro_toten_form.h"
#include "host/components/touch_style.h"
#include "host/components/value_display.h"
#include "platform/parametros_contract.h"
#include "service/dataset_fields.h"

#include <QFrame>
#include <QHeaderView>
#include <QVBoxLayout>

#include <optional>

namespace totem::form {
namespace {

using namespace look;
using host::Scaled;

// How a row of page "Totem1" lays out its label and value display.
enum class RowShape {
  CaptionBeside,  // a toggle: the label beside the button, nothing else
  ValueBelow,     // a message: the label above a wide value display
  ValueBeside,    // the product group: label and value display side by side
};

struct Page1Row {
  TTouchButton* TfrmParametroToten::*button;
  const char* buttonName;
  QLabel* TfrmParametroToten::*label;
  const char* labelName;
  const char* caption;
  RowShape shape;
  QLabel* TfrmParametroToten::*display;  // nullptr: no value display
  const char* displayName;
  int displayWidth;
  std::optional<Symbol> glyph;
};

using F = TfrmParametroToten;
const Page1Row kPage1[] = {
    {&F::tcbMenIni, "tcbMenIni", &F::lblMsgIni, "lblMsgIni", "Mensagem Inicial",
     RowShape::ValueBelow, &F::lblValMenIni, "lblValMenIni", 538, Symbol::Keyboard},
    {&F::tcbMenAdi, "tcbMenAdi", &F::lblMsgAdi, "lblMsgAdi", "Mensagem Adicional",
     RowShape::ValueBelow, &F::lblValMenAdi, "lblValMenAdi", 538, Symbol::Keyboard},
    {&F::TouchButton1, "TouchButton1", &F::lblMsgCon, "lblMsgCon", "Mensagem Consumidor",
     RowShape::ValueBelow, &F::lblValConTot, "lblValConTot", 538, Symbol::Keyboard},
    {&F::tcbExtrato, "tcbExtrato", &F::lblExtrato, "lblExtrato",
     contract::kTiposExtrato[0].nome.data(), RowShape::CaptionBeside, nullptr, "", 0, std::nullopt},
    {&F::tcbExtrDel, "tcbExtrDel", &F::lblExtrDel, "lblExtrDel",
     contract::kTiposExtrato[1].nome.data(), RowShape::CaptionBeside, nullptr, "", 0, std::nullopt},
    {&F::tcbSubGrupos, "tcbSubGrupos", &F::lblSubGrupos, "lblSubGrupos",
     contract::kTiposExtrato[2].nome.data(), RowShape::CaptionBeside, nullptr, "", 0, std::nullopt},
    {&F::spdGrupProd, "spdGrupProd", &F::lblDescGprod, "lblDescGprod", "Grupo de Produtos",
     RowShape::ValueBeside, &F::lblGrupProd, "lblGrupProd", 407, Symbol::Search},
    {&F::tcbSelecLoja, "tcbSelecLoja", &F::lblSelecLoja, "lblSelecLoja", "Permite selecionar Loja",
     RowShape::CaptionBeside, nullptr, "", 0, std::nullopt},
    {&F::tcbMensInf, "tcbMensInf", &F::lblMensInf, "lblMensInf",
     "Exibe tela com o saldo do consumidor antes de mostrar o extrato", RowShape::CaptionBeside,
     nullptr, "", 0, std::nullopt},
    {&F::tcbInfClie, "tcbInfClie", &F::lblInfClie, "lblInfClie",
     "Permite digitar código do consumidor sem informar o cliente.", RowShape::CaptionBeside,
     nullptr, "", 0, std::nullopt},
};
constexpr int kPage1RowHeight = 49;

// Page "Totem2": each row a button (or none), a label and a value display
// (or none), at their own places.
struct Page2Row {
  TTouchButton* TfrmParametroToten::*button;  // nullptr: a label alone
  const char* buttonName;
  QPoint buttonAt;
  bool enabled;
  QLabel* TfrmParametroToten::*label;
  const char* labelName;
  const char* caption;
  QRect labelRect;
  QLabel* TfrmParametroToten::*display;  // nullptr: no value display
  const char* displayName;
  QRect displayRect;
};
const Page2Row kPage2[] = {
    {&F::tcbCorrente,
     "tcbCorrente",
     {8, 12},
     true,
     &F::Label1,
     "Label1",
     "Mês Corrente",
     {72, 27, 300, 16},
     nullptr,
     "",
     {}},
    {&F::tcbInterval,
     "tcbInterval",
     {8, 70},
     true,
     &F::lblIntConsul,
     "lblIntConsul",
     "Intervalo para consulta",
     {72, 85, 300, 16},
     nullptr,
     "",
     {}},
    {&F::tcbDiaIni,
     "tcbDiaIni",
     {40, 128},
     false,
     &F::Label5,
     "Label5",
     "Dia inicial",
     {104, 143, 90, 16},
     &F::lblValDiaIni,
     "lblValDiaIni",
     {196, 137, 112, 28}},
    {&F::tcbDiaFin,
     "tcbDiaFin",
     {40, 186},
     false,
     &F::Label4,
     "Label4",
     "Dia Final",
     {104, 201, 90, 16},
     &F::lblValDiaFin,
     "lblValDiaFin",
     {196, 195, 112, 28}},
    {&F::tcbSegundos,
     "tcbSegundos",
     {8, 282},
     true,
     &F::lblFecCons,
     "lblFecCons",
     "Fechar consulta após",
     {8, 262, 300, 16},
     &F::lblValSeg,
     "lblValSeg",
     {72, 291, 112, 28}},
    {nullptr,
     "",
     {},
     true,
     &F::Label6,
     "Label6",
     "segundos.",
     {190, 297, 100, 16},
     nullptr,
     "",
     {}},
};

}  // namespace

void TfrmParametroToten::BuildControls() {
  setObjectName("frmParametroToten");
  setWindowTitle(QStringLiteral("Parametrização do Sistema Totem"));
  // Fixed single border with system menu and minimise box only.
  setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setAttribute(Qt::WA_DeleteOnClose, false);  // released explicitly on close

  client = new QWidget(this);
  client->setObjectName("clientArea");
  client->setFixedSize(Scaled(QSize(kClientWidth, kClientHeight)));
  // 8 points on the 96-dpi screens the form was laid out on.
  QFont font("MS Sans Serif");
  font.setPixelSize(host::LegiblePixels(11));
  client->setFont(font);
  setWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  ntbTot = new TNotebook(client);
  ntbTot->setObjectName("ntbTot");
  ntbTot->setGeometry(Scaled(QRect(9, 8, 697, 502)));
  BuildBranchPage(ntbTot->AddPage("Totem"));
  BuildParameterPage(ntbTot->AddPage("Totem1"));
  BuildPeriodPage(ntbTot->AddPage("Totem2"));
  ntbTot->SetPageIndex(0);
  BuildBars();
  BuildComponents();
  // The frame around the fixed client area decides the form's size.
  adjustSize();
}

void TfrmParametroToten::BuildBranchPage(QWidget* page) {
  tcbFilial = Button(page, "tcbFilial", {8, 8, kPageButtonW, kPageButtonH});
  tcbFilial->SetGlyph(DrawSymbol(Symbol::Building, 30));
  Label20 = Caption(page, "Label20", "&Filial", {72, 6, 200, 16});
  // The "&" marks the label's access key, which belongs to the branch button.
  Label20->setTextFormat(Qt::AutoText);
  Label20->setBuddy(tcbFilial);
  lblNmFilial = Display(page, "lblNmFilial", {72, 24, 617, 30});
  panCaixa = new QFrame(page);
  panCaixa->setObjectName("panCaixa");
  panCaixa->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panCaixa->setGeometry(Scaled(QRect(8, 64, 681, 430)));
  dbgCaixa = new host::TDBSortGrid(panCaixa);
  dbgCaixa->setObjectName("dbgCaixa");
  auto* panLayout = new QVBoxLayout(panCaixa);
  panLayout->setContentsMargins(2, 2, 2, 2);
  panLayout->addWidget(dbgCaixa);
}

void TfrmParametroToten::BuildParameterPage(QWidget* page) {
  int y = 2;
  for (const Page1Row& row : kPage1) {
    TTouchButton* button = Button(page, row.buttonName, {8, y, kPageButtonW, kPageButtonH});
    this->*row.button = button;
    if (row.glyph) button->SetGlyph(DrawSymbol(*row.glyph, 30));
    QLabel* label = nullptr;
    switch (row.shape) {
      case RowShape::ValueBelow:
        label = Caption(page, row.labelName, row.caption, {72, y, 400, 16});
        this->*row.display = Display(page, row.displayName, {72, y + 17, row.displayWidth, 28});
        break;
      case RowShape::ValueBeside:
        label = Caption(page, row.labelName, row.caption, {72, y + 15, 140, 16});
        this->*row.display = Display(page, row.displayName, {212, y + 9, row.displayWidth, 28});
        KeepBeside(label, this->*row.display);
        break;
      case RowShape::CaptionBeside:
        label = Caption(page, row.labelName, row.caption, {72, y + 8, 610, 32}, true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        break;
    }
    this->*row.label = label;
    y += kPage1RowHeight;
  }
}

void TfrmParametroToten::BuildPeriodPage(QWidget* page) {
  for (const Page2Row& row : kPage2) {
    if (row.button) {
      TTouchButton* button =
          Button(page, row.buttonName, {row.buttonAt, QSize(kPageButtonW, kPageButtonH)});
      button->setEnabled(row.enabled);
      if (row.display) button->SetGlyph(DrawSymbol(Symbol::Keypad, 30));
      this->*row.button = button;
    }
    this->*row.label = Caption(page, row.labelName, row.caption, row.labelRect);
    if (!row.display) continue;
    this->*row.display = Display(page, row.displayName, row.displayRect);
    if (row.labelRect.right() < row.displayRect.left())
      KeepBeside(this->*row.label, this->*row.display);
  }
}

void TfrmParametroToten::BuildComponents() {
  msgPadrao = new host::TMessages(this);
  msgPadrao->setObjectName("msgPadrao");
  msgPadrao->SetMessages(MensagensPadrao());
  imgMarcado.Picture = TickedBox();
  imgClear.Picture = QPixmap();  // an empty picture: "off" shows nothing

  netToten.SetServerName(std::string(contract::kServerName));
  netToten.SetThrowException(false);
  cdsFilial = service::MakeCdsFilial();
  cdsCaixa = service::MakeCdsCaixa();
  cdsCarregaPar = service::MakeCdsCarregaPar();
  cdsPesqGrupProd = service::MakeCdsPesqGrupProd();
  cdsVerifPar = service::MakeCdsVerifPar();
  dtsCaixa = cdsCaixa.get();

  // The register grid: code, name and store.
  QFont cell = PixelFont("MS Sans Serif", 11);
  auto column = [&](const char* field, int width) {
    host::GridColumn c;
    c.fieldName = field;
    c.width = Scaled(width);
    c.textColor = kGreen;
    c.font = cell;
    c.titleColor = kNavy;
    c.titleBackground = kSilver;
    c.titleFont = cell;
    return c;
  };
  dbgCaixa->SetDataset(dtsCaixa);
  dbgCaixa->SetColumns({column(contract::col::CDCAIXA, 73), column(contract::col::NMCAIXA, 269),
                        column(contract::col::NMLOJA, 335)});
  QPalette pal = dbgCaixa->palette();
  pal.setColor(QPalette::Base, kTooltip);
  dbgCaixa->setPalette(pal);
}

}  // namespace totem::form
