// Builds the screen's controls: names, captions, hints, sizes, positions,
// colours, fonts and initial states.
#include "form/glyphs.h"
#include "form/message_table.h"
#include "service/dataset_fields.h"
#include "form/parametro_toten_form.h"
#include "host/components/value_display.h"

#include <QFrame>
#include <QHeaderView>
#include <QVBoxLayout>

namespace totem::form {
namespace {

const QColor kButtonFace(144, 144, 176);
const QColor kGreen(0, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kSilver(192, 192, 192);
const QColor kTooltip(255, 255, 225);  // the system's tooltip colour
const QColor kDisabledText(96, 96, 104);  // greyed, still legible on the page

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont font(family);
  font.setPixelSize(pixels);
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

TTouchButton* Button(QWidget* parent, const char* name, QRect geometry, const QString& caption = {},
                     const QString& hint = {}) {
  auto* b = new TTouchButton(parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
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
  l->setGeometry(geometry);
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
  l->setGeometry(geometry);
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
  client->setFixedSize(kClientWidth, kClientHeight);
  client->setFont(QFont("MS Sans Serif", 8));
  setWidget(client);
  layout()->setSizeConstraint(QLayout::SetFixedSize);

  ntbTot = new TNotebook(client);
  ntbTot->setObjectName("ntbTot");
  ntbTot->setGeometry(9, 8, 697, 502);
  QWidget* page0 = ntbTot->AddPage("Totem");
  QWidget* page1 = ntbTot->AddPage("Totem1");
  QWidget* page2 = ntbTot->AddPage("Totem2");
  ntbTot->SetPageIndex(0);

  // ---- page "Totem": branch and registers ----
  tcbFilial = Button(page0, "tcbFilial", {8, 8, kPageButtonW, kPageButtonH});
  tcbFilial->SetGlyph(DrawSymbol(Symbol::Building, 30));
  Label20 = Caption(page0, "Label20", "&Filial", {72, 6, 200, 16});
  // The "&" marks the label's access key, which belongs to the branch button.
  Label20->setTextFormat(Qt::AutoText);
  Label20->setBuddy(tcbFilial);
  lblNmFilial = Display(page0, "lblNmFilial", {72, 24, 617, 30});
  panCaixa = new QFrame(page0);
  panCaixa->setObjectName("panCaixa");
  panCaixa->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panCaixa->setGeometry(8, 64, 681, 430);
  dbgCaixa = new host::TDBSortGrid(panCaixa);
  dbgCaixa->setObjectName("dbgCaixa");
  auto* panLayout = new QVBoxLayout(panCaixa);
  panLayout->setContentsMargins(2, 2, 2, 2);
  panLayout->addWidget(dbgCaixa);

  // ---- page "Totem1": messages, statement type, group, options ----
  struct Row {
    TTouchButton** button;
    const char* buttonName;
    QLabel** label;
    const char* labelName;
    QString caption;
    QLabel** display;  // value display beside the caption, or none
    const char* displayName;
    int displayWidth;
  };
  const Row page1Rows[] = {
      {&tcbMenIni, "tcbMenIni", &lblMsgIni, "lblMsgIni", "Mensagem Inicial", &lblValMenIni,
       "lblValMenIni", 538},
      {&tcbMenAdi, "tcbMenAdi", &lblMsgAdi, "lblMsgAdi", "Mensagem Adicional", &lblValMenAdi,
       "lblValMenAdi", 538},
      {&TouchButton1, "TouchButton1", &lblMsgCon, "lblMsgCon", "Mensagem Consumidor",
       &lblValConTot, "lblValConTot", 538},
      {&tcbExtrato, "tcbExtrato", &lblExtrato, "lblExtrato", "Extrato Simplificado", nullptr, "", 0},
      {&tcbExtrDel, "tcbExtrDel", &lblExtrDel, "lblExtrDel", "Extrato Detalhado", nullptr, "", 0},
      {&tcbSubGrupos, "tcbSubGrupos", &lblSubGrupos, "lblSubGrupos",
       "Extrato Detalhado por Sub-Grupo", nullptr, "", 0},
      {&spdGrupProd, "spdGrupProd", &lblDescGprod, "lblDescGprod", "Grupo de Produtos",
       &lblGrupProd, "lblGrupProd", 407},
      {&tcbSelecLoja, "tcbSelecLoja", &lblSelecLoja, "lblSelecLoja", "Permite selecionar Loja",
       nullptr, "", 0},
      {&tcbMensInf, "tcbMensInf", &lblMensInf, "lblMensInf",
       "Exibe tela com o saldo do consumidor antes de mostrar o extrato", nullptr, "", 0},
      {&tcbInfClie, "tcbInfClie", &lblInfClie, "lblInfClie",
       "Permite digitar código do consumidor sem informar o cliente.", nullptr, "", 0},
  };
  int y = 2;
  for (const Row& row : page1Rows) {
    *row.button = Button(page1, row.buttonName, {8, y, kPageButtonW, kPageButtonH});
    if (row.display) {
      if (row.displayWidth > 500) {
        // Message rows: caption above a wide display.
        *row.label = Caption(page1, row.labelName, row.caption, {72, y, 400, 16});
        *row.display = Display(page1, row.displayName, {72, y + 17, row.displayWidth, 28});
      } else {
        *row.label = Caption(page1, row.labelName, row.caption, {72, y + 15, 140, 16});
        *row.display = Display(page1, row.displayName, {212, y + 9, row.displayWidth, 28});
      }
    } else {
      *row.label = Caption(page1, row.labelName, row.caption, {72, y + 8, 610, 32}, true);
      (*row.label)->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    y += 49;
  }
  tcbMenIni->SetGlyph(DrawSymbol(Symbol::Keyboard, 30));
  tcbMenAdi->SetGlyph(DrawSymbol(Symbol::Keyboard, 30));
  TouchButton1->SetGlyph(DrawSymbol(Symbol::Keyboard, 30));
  spdGrupProd->SetGlyph(DrawSymbol(Symbol::Search, 30));

  // ---- page "Totem2": period, days, seconds ----
  tcbCorrente = Button(page2, "tcbCorrente", {8, 12, kPageButtonW, kPageButtonH});
  Label1 = Caption(page2, "Label1", QStringLiteral("Mês Corrente"), {72, 27, 300, 16});
  tcbInterval = Button(page2, "tcbInterval", {8, 70, kPageButtonW, kPageButtonH});
  lblIntConsul = Caption(page2, "lblIntConsul", "Intervalo para consulta", {72, 85, 300, 16});
  tcbDiaIni = Button(page2, "tcbDiaIni", {40, 128, kPageButtonW, kPageButtonH});
  Label5 = Caption(page2, "Label5", "Dia inicial", {104, 143, 90, 16});
  lblValDiaIni = Display(page2, "lblValDiaIni", {196, 137, 112, 28});
  tcbDiaFin = Button(page2, "tcbDiaFin", {40, 186, kPageButtonW, kPageButtonH});
  Label4 = Caption(page2, "Label4", "Dia Final", {104, 201, 90, 16});
  lblValDiaFin = Display(page2, "lblValDiaFin", {196, 195, 112, 28});
  lblFecCons = Caption(page2, "lblFecCons", QStringLiteral("Fechar consulta após"),
                       {8, 262, 300, 16});
  tcbSegundos = Button(page2, "tcbSegundos", {8, 282, kPageButtonW, kPageButtonH});
  lblValSeg = Display(page2, "lblValSeg", {72, 291, 112, 28});
  Label6 = Caption(page2, "Label6", "segundos.", {190, 297, 100, 16});
  for (auto* b : {tcbDiaIni, tcbDiaFin, tcbSegundos}) b->SetGlyph(DrawSymbol(Symbol::Keypad, 30));
  tcbDiaIni->setEnabled(false);
  tcbDiaFin->setEnabled(false);

  // ---- command column ----
  tcbPesquisar = Button(client, "tcbPesquisar", {716, 13, kBarButtonW, kBarButtonH}, "P&esquisar",
                        "Pesquisar");
  tcbPesquisar->SetGlyph(DrawSymbol(Symbol::Search, 24));
  tcbPesquisar->setEnabled(false);
  tcbPesquisar->setVisible(false);
  tcbAtualizar = Button(client, "tcbAtualizar", {716, 79, kBarButtonW, kBarButtonH}, "A&tualizar",
                        "Atualizar");
  tcbAtualizar->SetGlyph(DrawSymbol(Symbol::Refresh, 24));
  tcbCancela = Button(client, "tcbCancela", {716, 172, kBarButtonW, kBarButtonH}, "Ca&ncelar");
  tcbCancela->SetGlyph(DrawSymbol(Symbol::Cancel, 24));
  tcbConfirma = Button(client, "tcbConfirma", {716, 239, kBarButtonW, kBarButtonH}, "C&onfirmar");
  tcbConfirma->SetGlyph(DrawSymbol(Symbol::Confirm, 24));
  spbSair = Button(client, "spbSair", {716, 514, kBarButtonW, kBarButtonH}, "&Sair", "Sair");
  spbSair->SetGlyph(DrawSymbol(Symbol::Exit, 24));
  for (auto* b : {tcbAtualizar, tcbCancela, tcbConfirma}) b->setEnabled(false);

  // ---- navigation bar ----
  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(8, 511, 700, 65);
  Bevel1->lower();
  struct NavButton {
    TTouchButton** button;
    const char* name;
    int left;
    Symbol symbol;
  };
  const NavButton nav[] = {{&tcbPrimeiro, "tcbPrimeiro", 12, Symbol::First},
                           {&tcbAnterior, "tcbAnterior", 78, Symbol::Prior},
                           {&tcbProximo, "tcbProximo", 144, Symbol::Next},
                           {&tcbUltimo, "tcbUltimo", 210, Symbol::Last}};
  for (const auto& n : nav) {
    *n.button = Button(client, n.name, {n.left, 514, kBarButtonW, kBarButtonH});
    (*n.button)->SetGlyph(DrawSymbol(n.symbol, 32));
    (*n.button)->setEnabled(false);
  }
  lblNmCaixa = new QLabel(client);
  lblNmCaixa->setObjectName("lblNmCaixa");
  lblNmCaixa->setGeometry(275, 525, 299, 37);
  lblNmCaixa->setFont(PixelFont("Tahoma", 16, true));
  lblNmCaixa->setAlignment(Qt::AlignCenter);
  lblNmCaixa->setWordWrap(true);
  lblNmCaixa->setTextFormat(Qt::PlainText);
  {
    QPalette pal = lblNmCaixa->palette();
    pal.setColor(QPalette::WindowText, kGreen);
    lblNmCaixa->setPalette(pal);
  }
  tcbAnt = Button(client, "tcbAnt", {577, 515, kBarButtonW, kBarButtonH},
                  QStringLiteral("Pág. &Ant."), QStringLiteral("Página Anterior"));
  tcbAnt->SetGlyph(DrawSymbol(Symbol::PagePrior, 24));
  tcbPrx = Button(client, "tcbPrx", {642, 515, kBarButtonW, kBarButtonH},
                  QStringLiteral("Pág. &Pos."), QStringLiteral("Próxima Página"));
  tcbPrx->SetGlyph(DrawSymbol(Symbol::PageNext, 24));
  tcbAnt->setEnabled(false);
  tcbPrx->setEnabled(false);

  lblCodTela = new QLabel("Ksl80500", client);
  lblCodTela->setObjectName("lblCodTela");
  lblCodTela->setVisible(false);

  // ---- non-visual components ----
  msgPadrao = new host::TMessages(this);
  msgPadrao->setObjectName("msgPadrao");
  msgPadrao->SetMessages(MensagensPadrao());
  imgMarcado.Picture = TickedBox();
  imgClear.Picture = QPixmap();  // an empty picture: "off" shows nothing

  netToten.SetServerName(service::kServerName);
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
    c.width = width;
    c.textColor = kGreen;
    c.font = cell;
    c.titleColor = kNavy;
    c.titleBackground = kSilver;
    c.titleFont = cell;
    return c;
  };
  dbgCaixa->SetDataset(dtsCaixa);
  dbgCaixa->SetColumns({column("CDCAIXA", 73), column("NMCAIXA", 269), column("NMLOJA", 335)});
  {
    QPalette pal = dbgCaixa->palette();
    pal.setColor(QPalette::Base, kTooltip);
    dbgCaixa->setPalette(pal);
  }
  // The frame around the fixed client area decides the form's size.
  adjustSize();
}

}  // namespace totem::form
