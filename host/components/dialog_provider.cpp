#include "host/components/dialog_provider.h"

#include "host/components/message_dlg.h"

#include <QtGlobal>

namespace totem::host {
namespace {

struct Registry {
  DialogProvider* scoped = nullptr;
  std::unique_ptr<DialogProvider> installed;
  DialogProvider* byDefault = nullptr;
  StandardDialogs standard;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

DialogProvider::~DialogProvider() = default;

int StandardDialogs::MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                int helpCtx) {
  return ShowStandardMessageDlg(text, type, buttons, helpCtx);
}

int StandardDialogs::TouchMessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                     int helpCtx, int, const QString&) {
  return ShowStandardMessageDlg(text, type, buttons, helpCtx);
}

namespace {

// A touch dialog was asked for but none is installed: said to the user, not
// only to the log, since the screen cannot go on without an answer.
void ReportMissingTouchDialog(const char* dialog) {
  const QString text = QStringLiteral(
                           "Não foi possível abrir %1: os diálogos de toque não foram instalados "
                           "nesta aplicação.")
                           .arg(QString::fromUtf8(dialog));
  qWarning("%s", qUtf8Printable(text));
  ShowStandardMessageDlg(text, mtError, {mbOK}, 0);
}

}  // namespace

QString StandardDialogs::TecladoAlfanumerico(const QString&, const QString&, int) {
  ReportMissingTouchDialog("o teclado na tela");
  return {};
}

bool StandardDialogs::Pesquisa(ClientDataset&, const QString&, const QString&, const QString&,
                               bool) {
  ReportMissingTouchDialog("a lista de pesquisa");
  return false;
}

double StandardDialogs::InfoQuantidade(const QString&, int, const QString&) {
  ReportMissingTouchDialog("o teclado numérico");
  return -1;
}

DialogProvider& Dialogs() {
  Registry& r = TheRegistry();
  if (r.scoped) return *r.scoped;
  if (r.installed) return *r.installed;
  if (r.byDefault) return *r.byDefault;
  return r.standard;
}

std::unique_ptr<DialogProvider> SetDialogProvider(std::unique_ptr<DialogProvider> provider) {
  std::swap(TheRegistry().installed, provider);
  return provider;
}

void SetDefaultDialogProvider(DialogProvider* provider) { TheRegistry().byDefault = provider; }

DialogProvider* DefaultDialogProvider() { return TheRegistry().byDefault; }

ScopedDialogProvider::ScopedDialogProvider(DialogProvider& provider)
    : previous_(TheRegistry().scoped) {
  TheRegistry().scoped = &provider;
}

ScopedDialogProvider::~ScopedDialogProvider() { TheRegistry().scoped = previous_; }

}  // namespace totem::host
