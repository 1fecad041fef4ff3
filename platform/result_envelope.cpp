#include "platform/result_envelope.h"

#include "platform/errors.h"

#include <nlohmann/json.hpp>

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

nlohmann::json EnvelopeToJson(const ResultEnvelope& envelope) {
  if (!envelope.ok)
    return {{"status", "error"}, {"code", envelope.code}, {"message", envelope.message}};
  nlohmann::json out = {{"status", "ok"}};
  out["packet"] = envelope.packet ? PacketToJson(*envelope.packet) : nlohmann::json(nullptr);
  return out;
}

ResultEnvelope EnvelopeFromJson(const nlohmann::json& json) {
  if (!json.is_object()) throw ProtocolError("Envelope de resultado inválido: não é um objeto");
  auto status = json.find("status");
  if (status == json.end() || !status->is_string())
    throw ProtocolError("Envelope de resultado inválido: falta \"status\"");
  const auto& text = status->get_ref<const std::string&>();
  if (text == "ok") {
    auto packet = json.find("packet");
    if (packet == json.end() || packet->is_null()) return ResultEnvelope::Success();
    return ResultEnvelope::Success(PacketFromJson(*packet));
  }
  if (text == "error") {
    auto code = json.find("code");
    auto message = json.find("message");
    if (code == json.end() || !code->is_string() || message == json.end() || !message->is_string())
      throw ProtocolError("Envelope de erro inválido: faltam \"code\" e \"message\"");
    return ResultEnvelope::Failure(code->get<std::string>(), message->get<std::string>());
  }
  throw ProtocolError("Envelope de resultado inválido: status \"" + text + "\" desconhecido");
}

}  // namespace totem
