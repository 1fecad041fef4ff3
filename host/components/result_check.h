#pragma once
// The check every remote call's result envelope goes through: it hands back
// the data packet of a success and turns a failure into an exception that
// carries the server's code and message.
#include "platform/data_packet.h"
#include "platform/errors.h"
#include "platform/result_envelope.h"

#include <string>

namespace totem::host {

// A failure the application server reported in its result envelope. what()
// is the server's message for the user; Code() its stable code ("CAIXA_N").
class ServerResultError : public TotemError {
 public:
  ServerResultError(std::string code, const std::string& message)
      : TotemError(message), code_(std::move(code)) {}
  const std::string& Code() const { return code_; }

 private:
  std::string code_;
};

// The message shown for a failure envelope: the server's message, or a
// generic text naming the code when the server sent none.
std::string FailureMessage(const ResultEnvelope& envelope);

// Returns the envelope's packet (an empty packet when a success carries
// none). A failure envelope:
//  - raise = true (every call in this system): throws ServerResultError;
//  - raise = false: shows the message in the standard message dialog as an
//    error and then throws SilentAbort, so the caller stops without a second
//    message.
// helpCtx is passed to the dialog; there is no help system behind it.
DataPacket CheckResultServ(const ResultEnvelope& envelope, bool raise = true, int helpCtx = 0);

}  // namespace totem::host
