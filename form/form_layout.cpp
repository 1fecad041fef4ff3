// Builds the screen's controls: names, captions, hints, sizes, positions,
// colours, fonts and initial states.
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

const QColor kButtonFace(144, 144, 176);
const QColor kGreen(0, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kSilver(192, 192, 192);
const QColor kTooltip(255, 255, 225);     // the system's tooltip colour
const QColor kDisabledText(96, 96, 104);  // greyed, still legible on the page

using host::Scaled;

// Sizes, positions and fonts below are the screen's at factor 1; on a small
// screen the host draws everything smaller by its touch scale.
QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font(family);
  font.setPixelSize(Scaled(pixels));
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

TTouchButton* Button(QWidget* parent, const char* name, QRect geometry, const QString& caption = {},
                     const QString& hint = {}) {
  auto* b = new TTouchButton(parent);
  b->setObjectName(name);
  b->setGeometry(Scaled(geometry));
  b->setText(caption);
  b->setToolTip(hint);
  b->SetColor(kButtonFace);
  return b;
}

// A label naming a setting: navy, 13-pixel, transparent.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, QRect geometry,
                bool wrap = false) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(Scaled(geometry));
  l->setFont(PixelFont("MS Sans Serif", 13));
  QPalette pal = l->palette();
  pal.setColor(QPalette::Active, QPalette::WindowText, kNavy);
  pal.setColor(QPalette::Inactive, QPalette::WindowText, kNavy);
  pal.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledText);
  l->setPalette(pal);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->setWordWrap(wrap);
  l->setTextFormat(Qt::PlainText);
  return l;
}

// A framed value display: fixed size, tooltip background, green 16-pixel
// text; a text too long for it ends in "…" and shows whole as a tooltip.
QLabel* Display(QWidget* parent, const char* name, QRect geometry) {
  auto* l = new host::TValueDisplay(parent);
  l->setObjectName(name);
  l->setGeometry(Scaled(geometry));
  l->setFrameStyle(QFrame::Box | QFrame::Plain);
  l->setLineWidth(1);
  l->setAutoFillBackground(true);
  l->setFont(PixelFont("MS Sans Serif", 16));
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, kTooltip);
  pal.setColor(QPalette::WindowText, kGreen);
  l->setPalette(pal);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  l->setIndent(4);
  return l;
}

constexpr int kPageButtonW = 56, kPageButtonH = 46;
constexpr int kBarButtonW = 60, kBarButtonH = 58;

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

// The command column and the navigation bar: 60 x 58 buttons outside the
// notebook, picture above the caption.
struct BarButton {
  TTouchButton* TfrmParametroToten::*button;
  const char* name;
  QPoint at;
  const char* caption;
  const char* hint;
  Symbol glyph;
  int glyphSize;
  bool enabled;
  bool visible;
};
const BarButton kBars[] = {
    {&F::tcbPesquisar,
     "tcbPesquisar",
     {716, 13},
     "P&esquisar",
     "Pesquisar",
     Symbol::Search,
     24,
     false,
     false},
    {&F::tcbAtualizar,
     "tcbAtualizar",
     {716, 79},
     "A&tualizar",
     "Atualizar",
     Symbol::Refresh,
     24,
     false,
     true},
    {&F::tcbCancela, "tcbCancela", {716, 172}, "Ca&ncelar", "", Symbol::Cancel, 24, false, true},
    {&F::tcbConfirma,
     "tcbConfirma",
     {716, 239},
     "C&onfirmar",
     "",
     Symbol::Confirm,
     24,
     false,
     true},
    {&F::tcbCopiar,
     "tcbCopiar",
     {716, 330},
     "Copiar",
     "Copiar estes parâmetros para outros caixas",
     Symbol::Copy,
     24,
     false,
     true},
    {&F::tcbHistorico,
     "tcbHistorico",
     {716, 397},
     "Histórico",
     "Histórico de alterações deste caixa",
     Symbol::History,
     24,
     false,
     true},
    {&F::spbSair, "spbSair", {716, 514}, "&Sair", "Sair", Symbol::Exit, 24, true, true},
    {&F::tcbPrimeiro, "tcbPrimeiro", {12, 514}, "", "", Symbol::First, 32, false, true},
    {&F::tcbAnterior, "tcbAnterior", {78, 514}, "", "", Symbol::Prior, 32, false, true},
    {&F::tcbProximo, "tcbProximo", {144, 514}, "", "", Symbol::Next, 32, false, true},
    {&F::tcbUltimo, "tcbUltimo", {210, 514}, "", "", Symbol::Last, 32, false, true},
    {&F::tcbAnt,
     "tcbAnt",
     {577, 515},
     "Pág. &Ant.",
     "Página Anterior",
     Symbol::PagePrior,
     24,
     false,
     true},
    {&F::tcbPrx,
     "tcbPrx",
     {642, 515},
     "Pág. &Pos.",
     "Próxima Página",
     Symbol::PageNext,
     24,
     false,
     true},
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
  QFont font("MS Sans Serif");
  font.setPointSizeF(8 * host::TouchScale());
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
    if (row.display) this->*row.display = Display(page, row.displayName, row.displayRect);
  }
}

void TfrmParametroToten::BuildBars() {
  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(Scaled(QRect(8, 511, 700, 65)));
  Bevel1->lower();
  for (const BarButton& b : kBars) {
    TTouchButton* button = Button(client, b.name, {b.at, QSize(kBarButtonW, kBarButtonH)},
                                  QString::fromUtf8(b.caption), QString::fromUtf8(b.hint));
    button->SetGlyph(DrawSymbol(b.glyph, b.glyphSize));
    button->setEnabled(b.enabled);
    button->setVisible(b.visible);
    this->*b.button = button;
  }
  lblNmCaixa = new QLabel(client);
  lblNmCaixa->setObjectName("lblNmCaixa");
  lblNmCaixa->setGeometry(Scaled(QRect(275, 525, 299, 37)));
  lblNmCaixa->setFont(PixelFont("Tahoma", 16, true));
  lblNmCaixa->setAlignment(Qt::AlignCenter);
  lblNmCaixa->setWordWrap(true);
  lblNmCaixa->setTextFormat(Qt::PlainText);
  QPalette pal = lblNmCaixa->palette();
  pal.setColor(QPalette::WindowText, kGreen);
  lblNmCaixa->setPalette(pal);
  lblCodTela = new QLabel("Ksl80500", client);
  lblCodTela->setObjectName("lblCodTela");
  lblCodTela->setVisible(false);
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
