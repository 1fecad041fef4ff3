// The command column and the navigation bar below the notebook, and the
// register's name between them.
#include "form/form_widgets.h"
#include "form/glyphs.h"
#include "form/parametro_toten_form.h"
#include "host/components/touch_style.h"

#include <QFrame>

#include <algorithm>

namespace totem::form {
namespace {

using namespace look;
using host::Scaled;
using F = TfrmParametroToten;

// Left edge of the command column at the form's right.
constexpr int kCommandColumnX = 716;

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
     {kCommandColumnX, 13},
     "P&esquisar",
     "Pesquisar",
     Symbol::Search,
     24,
     false,
     false},
    {&F::tcbAtualizar,
     "tcbAtualizar",
     {kCommandColumnX, 79},
     "A&tualizar",
     "Atualizar",
     Symbol::Refresh,
     24,
     false,
     true},
    {&F::tcbCancela,
     "tcbCancela",
     {kCommandColumnX, 172},
     "Ca&ncelar",
     "",
     Symbol::Cancel,
     24,
     false,
     true},
    {&F::tcbConfirma,
     "tcbConfirma",
     {kCommandColumnX, 239},
     "C&onfirmar",
     "",
     Symbol::Confirm,
     24,
     false,
     true},
    {&F::tcbCopiar,
     "tcbCopiar",
     {kCommandColumnX, 330},
     "Copiar",
     "Copiar estes parâmetros para outros caixas",
     Symbol::Copy,
     24,
     false,
     true},
    {&F::tcbHistorico,
     "tcbHistorico",
     {kCommandColumnX, 397},
     "Histórico",
     "Histórico de alterações deste caixa",
     Symbol::History,
     24,
     false,
     true},
    {&F::spbSair, "spbSair", {kCommandColumnX, 514}, "&Sair", "Sair", Symbol::Exit, 24, true, true},
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

void TfrmParametroToten::BuildBars() {
  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Bevel1->setGeometry(Scaled(QRect(8, 511, 700, 65)));
  Bevel1->lower();
  int columnWidth = Scaled(kBarButtonW);
  for (const BarButton& b : kBars) {
    TTouchButton* button = Button(client, b.name, {b.at, QSize(kBarButtonW, kBarButtonH)},
                                  QString::fromUtf8(b.caption), QString::fromUtf8(b.hint));
    button->SetGlyph(DrawSymbol(b.glyph, b.glyphSize));
    button->setEnabled(b.enabled);
    button->setVisible(b.visible);
    this->*b.button = button;
    if (b.at.x() == kCommandColumnX && host::TouchScale() < 1.0)
      columnWidth = std::max(columnWidth, button->CaptionWidth());
  }
  // On a small screen the buttons shrink but their text stops at a legible
  // size: the command column, at the form's right edge, widens until every
  // caption fits whole, and the form with it. Its buttons keep their left
  // edges, so they stay where a finger expects them.
  for (const BarButton& b : kBars)
    if (b.at.x() == kCommandColumnX)
      (this->*b.button)->resize(columnWidth, (this->*b.button)->height());
  const int right =
      Scaled(kCommandColumnX) + columnWidth + Scaled(kClientWidth - kCommandColumnX - kBarButtonW);
  if (right > client->width()) client->setFixedWidth(right);
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

}  // namespace totem::form
