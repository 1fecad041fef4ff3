#include "host/components/error_handling.h"

#include "host/components/dialog_provider.h"
#include "platform/errors.h"

#include <QtGlobal>

namespace totem::host {
namespace {

const char* const kUnknown = "Erro inesperado.";

void ShowText(const QString& text) {
  try {
    // The touch message box, like every other message of the screens.
    Dialogs().TouchMessageDlg(text, mtError, {mbOK}, 0, 0, QString());
  } catch (...) {
    // The error box itself failed: the message is not lost, it goes to the log.
    qCritical("%s", qUtf8Printable(text));
  }
}

}  // namespace

void ShowException(const std::exception& error) {
  const char* what = error.what();
  ShowText(QString::fromUtf8(what && *what ? what : kUnknown));
}

namespace {

// Called inside a catch block: sorts out the exception being handled.
void HandleCurrentException() noexcept {
  try {
    throw;
  } catch (const SilentAbort&) {
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowText(QString::fromUtf8(kUnknown));
  }
}

}  // namespace

bool RunGuarded(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}

TotemApplication::TotemApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TotemApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}

}  // namespace totem::host
