#include "host/components/result_check.h"

#include "host/components/message_dlg.h"

namespace totem::host {

std::string FailureMessage(const ResultEnvelope& envelope) {
  if (!envelope.message.empty()) return envelope.message;
  if (envelope.code.empty()) return "O servidor de aplicação recusou a operação.";
  return "O servidor de aplicação recusou a operação (" + envelope.code + ").";
}

DataPacket CheckResultServ(const ResultEnvelope& envelope, bool raise, int helpCtx) {
  if (envelope.ok) return envelope.packet.value_or(DataPacket{});
  const std::string message = FailureMessage(envelope);
  if (!raise) {
    MessageDlg(QString::fromStdString(message), mtError, {mbOK}, helpCtx);
    throw SilentAbort();
  }
  throw ServerResultError(envelope.code, message);
}

}  // namespace totem::host
