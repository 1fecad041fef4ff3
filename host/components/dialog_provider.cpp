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

int StandardDialogs::TouchMessageDlg(const QString& text, TMsgDlgType type,
                                     TMsgDlgButtons buttons, int helpCtx, int, const QString&) {
  return ShowStandardMessageDlg(text, type, buttons, helpCtx);
}

QString StandardDialogs::TecladoAlfanumerico(const QString&, const QString&) {
  qWarning("TecladoAlfanumerico: pacote de diálogos de toque não carregado; nada digitado.");
  return {};
}

bool StandardDialogs::Pesquisa(ClientDataset&, const QString&, const QString&, const QString&,
                               bool) {
  qWarning("Pesquisa: pacote de diálogos de toque não carregado; nada escolhido.");
  return false;
}

double StandardDialogs::InfoQuantidade(const QString&, int, const QString&) {
  qWarning("InfoQuantidade: pacote de diálogos de toque não carregado; nada digitado.");
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
