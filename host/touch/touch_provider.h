#pragma once
// The real touch dialogs behind the host's dialog provider. While this
// library is loaded they are the provider's default.
#include "host/components/dialog_provider.h"

namespace totem::touch {

class TouchDialogs : public host::StandardDialogs {
 public:
  int TouchMessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                      int helpCtx, int defaultResult, const QString& caption) override;
  QString TecladoAlfanumerico(const QString& current, const QString& prompt) override;
  bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                const QString& initialSearch, bool pickSingleRow) override;
  double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) override;
};

}  // namespace totem::touch
