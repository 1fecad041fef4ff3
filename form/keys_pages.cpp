// Keyboard shortcuts and the page buttons.
#include "form/parametro_toten_form.h"

#include "host/components/error_handling.h"
#include "host/components/value_display.h"

#include <QApplication>
#include <QKeyEvent>

#include <algorithm>
#include <iterator>

namespace totem::form {
namespace {

constexpr std::uint16_t VK_F4 = 115;

// Qt's key codes for letters and function keys mapped to the virtual-key
// codes the handler works with.
std::uint16_t VirtualKey(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return static_cast<std::uint16_t>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return static_cast<std::uint16_t>(112 + (qtKey - Qt::Key_F1));
  return 0;
}

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers) {
  TShiftState s = 0;
  if (modifiers & Qt::ShiftModifier) s |= ssShift;
  if (modifiers & Qt::AltModifier) s |= ssAlt;
  if (modifiers & Qt::ControlModifier) s |= ssCtrl;
  return s;
}

}  // namespace

void TfrmParametroToten::FormKeyDown(QObject*, std::uint16_t& Key, TShiftState Shift) {
  // Each test runs whatever the earlier ones found; only Alt+F4 changes Key.
  if (Key == VK_F4 && Shift == ssAlt) Key = 0;
  if (Key == 'F' && ntbTot->ActivePage() == "Totem") tcbFilialClick(tcbFilial);
  if (Key == 'S') spbSairClick(spbSair);
  if (Key == 'A') tcbAntClick(tcbAnt);
  if (Key == 'P') tcbPrxClick(tcbPrx);
  if (Key == 'T') tcbAtualizarClick(tcbAtualizar);
  if (Key == 'F') tcbPesquisar->Click();
  if (Key == 'N') tcbCancelaClick(tcbCancela);
  if (Key == 'O') tcbConfirmaClick(tcbConfirma);
}

void TfrmParametroToten::tcbAntClick(QObject*) {
  if (ntbTot->PageIndex() <= 0) {
    tcbAnt->setEnabled(false);
    tcbPrx->setEnabled(true);
    return;
  }
  ntbTot->SetPageIndex(ntbTot->PageIndex() - 1);
  tcbAnt->setEnabled(true);
  tcbPrx->setEnabled(true);
}

void TfrmParametroToten::tcbPrxClick(QObject*) {
  if (ntbTot->PageIndex() >= 2) {
    tcbPrx->setEnabled(false);
    tcbAnt->setEnabled(true);
    return;
  }
  ntbTot->SetPageIndex(ntbTot->PageIndex() + 1);
  tcbPrx->setEnabled(true);
  tcbAnt->setEnabled(true);
}

// Key preview: every key pressed while the form or one of its controls has
// the focus reaches FormKeyDown first.
bool TfrmParametroToten::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMdiSubWindow::eventFilter(watched, event);
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || (widget != this && !isAncestorOf(widget))) return false;
  // Keys meant for an open dialog are not the form's.
  if (QApplication::activeModalWidget()) return false;
  auto* keyEvent = static_cast<QKeyEvent*>(event);
  std::uint16_t key = VirtualKey(keyEvent->key());
  if (key == 0) return false;
  // The shortcut letters and Alt+F4 are the form's: they do not go on to the
  // focused control (a grid would otherwise also jump to a row starting
  // with the letter), and a key the form acted on is not seen again as it
  // travels up to the parent controls.
  static const std::uint16_t kShortcuts[] = {'F', 'S', 'A', 'P', 'T', 'N', 'O', VK_F4};
  if (std::find(std::begin(kShortcuts), std::end(kShortcuts), key) == std::end(kShortcuts))
    return false;
  host::RunGuarded([&] { FormKeyDown(this, key, ShiftOf(keyEvent->modifiers())); });
  // F4 without Alt alone is passed on unchanged; a key set to 0 is swallowed.
  return key == 0 || keyEvent->key() != Qt::Key_F4;
}

void TfrmParametroToten::BindHandlers() {
  struct Binding {
    TTouchButton* button;
    void (TfrmParametroToten::*handler)(QObject*);
  };
  const Binding bindings[] = {
      {tcbFilial, &TfrmParametroToten::tcbFilialClick},
      {tcbPrimeiro, &TfrmParametroToten::tcbPrimeiroClick},
      {tcbAnterior, &TfrmParametroToten::tcbAnteriorClick},
      {tcbProximo, &TfrmParametroToten::tcbProximoClick},
      {tcbUltimo, &TfrmParametroToten::tcbUltimoClick},
      {tcbAtualizar, &TfrmParametroToten::tcbAtualizarClick},
      {tcbMenIni, &TfrmParametroToten::tcbMenIniClick},
      {tcbMenAdi, &TfrmParametroToten::tcbMenAdiClick},
      {TouchButton1, &TfrmParametroToten::TouchButton1Click},
      {tcbExtrato, &TfrmParametroToten::tcbExtratoClick},
      {tcbExtrDel, &TfrmParametroToten::tcbExtrDelClick},
      {tcbSubGrupos, &TfrmParametroToten::tcbSubGruposClick},
      {spdGrupProd, &TfrmParametroToten::tcbPesqRegraConsClick},
      {tcbSelecLoja, &TfrmParametroToten::tcbSelecLojaClick},
      {tcbMensInf, &TfrmParametroToten::tcbMensInfClick},
      {tcbInfClie, &TfrmParametroToten::tcbInfClieClick},
      {tcbCorrente, &TfrmParametroToten::tcbCorrenteClick},
      {tcbInterval, &TfrmParametroToten::tcbIntervalClick},
      {tcbDiaIni, &TfrmParametroToten::tcbDiaIniClick},
      {tcbDiaFin, &TfrmParametroToten::tcbDiaFinClick},
      {tcbSegundos, &TfrmParametroToten::tcbSegundosClick},
      {tcbCancela, &TfrmParametroToten::tcbCancelaClick},
      {tcbConfirma, &TfrmParametroToten::tcbConfirmaClick},
      {tcbCopiar, &TfrmParametroToten::tcbCopiarClick},
      {tcbHistorico, &TfrmParametroToten::tcbHistoricoClick},
      {spbSair, &TfrmParametroToten::spbSairClick},
      {tcbAnt, &TfrmParametroToten::tcbAntClick},
      {tcbPrx, &TfrmParametroToten::tcbPrxClick},
  };
  for (const Binding& b : bindings) {
    auto handler = b.handler;
    b.button->OnClick = [this, handler](QObject* sender) { (this->*handler)(sender); };
  }
  // A tap on a value display shows its whole text: a long message is cut
  // short on the page, and a touch screen shows no tooltips.
  const std::pair<QLabel*, QLabel*> displays[] = {{lblValMenIni, lblMsgIni},
                                                  {lblValMenAdi, lblMsgAdi},
                                                  {lblValConTot, lblMsgCon},
                                                  {lblGrupProd, lblDescGprod},
                                                  {lblNmFilial, Label20}};
  for (const auto& row : displays)
    if (auto* shown = qobject_cast<host::TValueDisplay*>(row.first))
      shown->OnTap = [this, display = row.first, label = row.second] {
        ShowWholeText(display, label);
      };
  // tcbPesquisar has no click handler of its own.
  cdsCaixa->SetAfterScroll([this](ClientDataset& ds) { cdsCaixaAfterScroll(ds); });
  netToten.SetBeforeConnect([this] { netTotenBeforeConnect(nullptr); });
  // Key preview: the form and each of its controls pass their keys here
  // first.
  installEventFilter(this);
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

}  // namespace totem::form
