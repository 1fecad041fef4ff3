#pragma once
// The host services the screen calls by name, in the shapes its handlers use
// them: the touch dialogs go through the host's dialog provider (the real
// dialogs in the host application, a script in tests), the result checks
// raise on an error envelope.
#include "form/text_conversion.h"
#include "host/components/busy_overlay.h"
#include "host/components/dialog_provider.h"
#include "host/components/host_windows.h"
#include "host/components/message_dlg.h"
#include "host/components/result_check.h"
#include "host/components/text_checks.h"
#include "platform/client_dataset.h"

#include <QApplication>
#include <QString>
#include <string>

namespace totem::form {

using host::mbOK;
using host::mtError;
using host::TMsgDlgButtons;
using host::TMsgDlgType;

inline int TouchMessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                           int helpCtx, int defaultResult, const std::string& caption) {
  return host::Dialogs().TouchMessageDlg(QtText(text), type, buttons, helpCtx, defaultResult,
                                         QtText(caption));
}

inline DataPacket TouchCheckResultServ(const ResultEnvelope& envelope, bool raise, int helpCtx) {
  return host::CheckResultServ(envelope, raise, helpCtx);
}

inline std::string TecladoAlfanumerico(const std::string& current, const std::string& extra,
                                       int maxLength) {
  return Utf8Text(host::Dialogs().TecladoAlfanumerico(QtText(current), QtText(extra), maxLength));
}

inline bool Pesquisa(ClientDataset& dataset, const std::string& title, const std::string& show,
                     const std::string& initial, bool single) {
  return host::Dialogs().Pesquisa(dataset, QtText(title), QtText(show), QtText(initial), single);
}

inline double InfoQuantidade(const std::string& prompt, int kind, const std::string& length) {
  return host::Dialogs().InfoQuantidade(QtText(prompt), kind, QtText(length));
}

// The application's main window, over which the busy animation shows.
inline QWidget* MainForm() { return host::HostMainForm(); }

}  // namespace totem::form
