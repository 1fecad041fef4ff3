#pragma once
// The real touch dialogs behind the host's dialog provider. The host
// application makes them the provider's default at start-up with
// InstallTouchDialogs.
#include "host/components/dialog_provider.h"

namespace totem::touch {

class TouchDialogs : public host::StandardDialogs {
 public:
  int TouchMessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                      int helpCtx, int defaultResult, const QString& caption) override;
  QString TecladoAlfanumerico(const QString& current, const QString& prompt,
                              int maxLength) override;
  bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                const QString& initialSearch, bool pickSingleRow) override;
  double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) override;
};

// Makes the real touch dialogs the host's default dialog provider for the
// rest of the process. The host application calls it once at start-up: an
// ordinary call, so every link keeps this library (a registration from a
// static initialiser is dropped by --as-needed links, and the screens then
// had no dialogs at all).
void InstallTouchDialogs();

}  // namespace totem::touch
