#include "platform/result_envelope.h"

namespace totem {

ResultEnvelope ResultEnvelope::Success(std::optional<DataPacket> packet) {
  ResultEnvelope envelope;
  envelope.packet = std::move(packet);
  return envelope;
}

ResultEnvelope ResultEnvelope::Failure(std::string code, std::string message) {
  ResultEnvelope envelope;
  envelope.ok = false;
  envelope.code = std::move(code);
  envelope.message = std::move(message);
  return envelope;
}

}  // namespace totem
