#pragma once
// The value every remote method returns: either a success carrying an
// optional data packet, or a failure the server reports to the user, with a
// stable code and a Portuguese message.
#include "platform/data_packet.h"

#include <optional>
#include <string>

namespace totem {

struct ResultEnvelope {
  bool ok = true;
  std::string code;     // error code, e.g. "CAIXA_N"; empty on success
  std::string message;  // error message for the user; empty on success
  std::optional<DataPacket> packet;

  static ResultEnvelope Success(std::optional<DataPacket> packet = std::nullopt);
  static ResultEnvelope Failure(std::string code, std::string message);
};

}  // namespace totem
