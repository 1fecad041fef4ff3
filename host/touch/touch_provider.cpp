#include "host/touch/touch_provider.h"

#include "host/touch/alpha_keyboard.h"
#include "host/touch/numeric_keypad.h"
#include "host/touch/search_list.h"
#include "host/touch/touch_message_box.h"
#include "platform/client_dataset.h"

#include <QApplication>

namespace totem::touch {
namespace {

QWidget* DialogParent() { return QApplication::activeWindow(); }

}  // namespace

void InstallTouchDialogs() {
  // Lives until the process ends, like the registry that points at it.
  static TouchDialogs dialogs;
  host::SetDefaultDialogProvider(&dialogs);
}

int TouchDialogs::TouchMessageDlg(const QString& text, host::TMsgDlgType type,
                                  host::TMsgDlgButtons buttons, int, int defaultResult,
                                  const QString& caption) {
  TouchMessageBox box(text, type, buttons, defaultResult, caption, DialogParent());
  box.exec();
  return box.Answer() != host::mrNone ? box.Answer() : host::mrCancel;
}

QString TouchDialogs::TecladoAlfanumerico(const QString& current, const QString& prompt,
                                          int maxLength) {
  AlphaKeyboard keyboard(current, prompt, maxLength, DialogParent());
  keyboard.exec();
  return keyboard.Answer();
}

bool TouchDialogs::Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                            const QString& initialSearch, bool pickSingleRow) {
  if (pickSingleRow && dataset.RecordCount() == 1) {
    dataset.MoveTo(0);
    return true;
  }
  SearchList list(dataset, title, showSearch.compare(QLatin1String("N"), Qt::CaseInsensitive) != 0,
                  initialSearch, DialogParent());
  if (list.exec() != QDialog::Accepted || list.ChosenRecNo() < 0) return false;
  // Moved only now, after the list is gone: the dataset's after-scroll runs
  // in the caller's handler, not inside the dialog.
  dataset.MoveTo(list.ChosenRecNo());
  return true;
}

double TouchDialogs::InfoQuantidade(const QString& prompt, int, const QString& maxDigits) {
  bool ok = false;
  const int digits = maxDigits.trimmed().toInt(&ok);
  NumericKeypad keypad(prompt, ok ? digits : 0, DialogParent());
  keypad.exec();
  return keypad.Answer();
}

}  // namespace totem::touch
