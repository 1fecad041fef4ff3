#include "tests/support/json_tree_codec.h"

#include "platform/errors.h"

#include <nlohmann/json.hpp>

namespace totem {
namespace {

[[noreturn]] void Bad(const std::string& what) {
  throw ProtocolError("Pacote de dados inválido: " + what);
}

}  // namespace

nlohmann::json PacketToJson(const DataPacket& packet) {
  nlohmann::json fields = nlohmann::json::array();
  for (const auto& column : packet.fields) {
    fields.push_back(
        {{"name", column.name}, {"type", FieldTypeName(column.type)}, {"size", column.size}});
  }
  nlohmann::json rows = nlohmann::json::array();
  for (const auto& row : packet.rows) {
    nlohmann::json out = nlohmann::json::array();
    for (const auto& value : row) {
      if (value)
        out.push_back(*value);
      else
        out.push_back(nullptr);
    }
    rows.push_back(std::move(out));
  }
  return {{"fields", std::move(fields)}, {"rows", std::move(rows)}};
}

DataPacket PacketFromJson(const nlohmann::json& json) {
  if (!json.is_object()) Bad("não é um objeto");
  auto fields = json.find("fields");
  auto rows = json.find("rows");
  if (fields == json.end() || !fields->is_array()) Bad("falta a lista \"fields\"");
  if (rows == json.end() || !rows->is_array()) Bad("falta a lista \"rows\"");

  DataPacket packet;
  packet.fields.reserve(fields->size());
  for (const auto& f : *fields) {
    if (!f.is_object()) Bad("descrição de campo não é um objeto");
    auto name = f.find("name");
    auto type = f.find("type");
    if (name == f.end() || !name->is_string() || name->get_ref<const std::string&>().empty())
      Bad("campo sem nome");
    PacketColumn column;
    column.name = name->get<std::string>();
    if (type != f.end()) {
      if (!type->is_string()) Bad("tipo do campo " + column.name + " não é texto");
      auto parsed = ParseFieldType(type->get_ref<const std::string&>());
      if (!parsed) Bad("tipo desconhecido no campo " + column.name);
      column.type = *parsed;
    }
    auto size = f.find("size");
    if (size != f.end()) {
      if (!size->is_number_integer() || size->get<long long>() < 0 ||
          size->get<long long>() > 1'000'000)
        Bad("tamanho inválido no campo " + column.name);
      column.size = size->get<int>();
    }
    packet.fields.push_back(std::move(column));
  }

  const std::size_t width = packet.fields.size();
  packet.rows.reserve(rows->size());
  for (const auto& r : *rows) {
    if (!r.is_array() || r.size() != width) Bad("linha com número de colunas diferente dos campos");
    PacketRow row;
    row.reserve(width);
    for (const auto& v : r) {
      if (v.is_null())
        row.emplace_back(std::nullopt);
      else if (v.is_string())
        row.emplace_back(v.get<std::string>());
      else
        Bad("valor que não é texto nem nulo");
    }
    packet.rows.push_back(std::move(row));
  }
  return packet;
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
