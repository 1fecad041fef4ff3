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

// Makes the touch dialogs the default while the library is loaded, and
// takes them away before their code goes.
struct Registration {
  TouchDialogs dialogs;
  Registration() { host::SetDefaultDialogProvider(&dialogs); }
  ~Registration() {
    if (host::DefaultDialogProvider() == &dialogs) host::SetDefaultDialogProvider(nullptr);
  }
} registration;

}  // namespace

int TouchDialogs::TouchMessageDlg(const QString& text, host::TMsgDlgType type,
                                  host::TMsgDlgButtons buttons, int, int defaultResult,
                                  const QString& caption) {
  TouchMessageBox box(text, type, buttons, defaultResult, caption, DialogParent());
  box.exec();
  return box.Answer() != host::mrNone ? box.Answer() : host::mrCancel;
}

QString TouchDialogs::TecladoAlfanumerico(const QString& current, const QString& prompt) {
  AlphaKeyboard keyboard(current, prompt, DialogParent());
  keyboard.exec();
  return keyboard.Answer();
}

bool TouchDialogs::Pesquisa(ClientDataset& dataset, const QString& title,
                            const QString& showSearch, const QString& initialSearch,
                            bool pickSingleRow) {
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
