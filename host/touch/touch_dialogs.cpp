#include "host/touch/touch_dialogs.h"

#include "host/components/dialog_provider.h"
#include "host/components/result_check.h"

namespace totem::touch {

using host::Dialogs;

int TouchMessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                    int helpCtx, int defaultResult, const QString& caption) {
  return Dialogs().TouchMessageDlg(text, type, buttons, helpCtx, defaultResult, caption);
}

DataPacket TouchCheckResultServ(const ResultEnvelope& envelope, bool raise, int helpCtx) {
  if (envelope.ok || raise) return host::CheckResultServ(envelope, true, helpCtx);
  TouchMessageDlg(QString::fromStdString(host::FailureMessage(envelope)), host::mtError,
                  {host::mbOK}, helpCtx);
  throw SilentAbort();
}

QString TecladoAlfanumerico(const QString& current, const QString& prompt, int maxLength) {
  return Dialogs().TecladoAlfanumerico(current, prompt, maxLength);
}

bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
              const QString& initialSearch, bool pickSingleRow) {
  return Dialogs().Pesquisa(dataset, title, showSearch, initialSearch, pickSingleRow);
}

double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) {
  return Dialogs().InfoQuantidade(prompt, kind, maxDigits);
}

}  // namespace totem::touch
