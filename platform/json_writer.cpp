#include "platform/json_writer.h"

#include "platform/errors.h"
#include "platform/utf8.h"

namespace totem::json_writer {

void AppendString(std::string& out, std::string_view text) {
  if (!IsValidUtf8(text)) throw ProtocolError("Texto inválido (não é UTF-8) na resposta.");
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  std::size_t run = 0;  // start of the bytes that need no escaping
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\') continue;
    out.append(text.data() + run, i - run);
    run = i + 1;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    }
  }
  out.append(text.data() + run, text.size() - run);
  out.push_back('"');
}

void AppendPacket(std::string& out, const DataPacket& packet) {
  out += "{\"fields\":[";
  for (std::size_t i = 0; i < packet.fields.size(); ++i) {
    const auto& f = packet.fields[i];
    if (i) out.push_back(',');
    out += "{\"name\":";
    AppendString(out, f.name);
    out += ",\"size\":";
    out += std::to_string(f.size);
    out += ",\"type\":\"";
    out += FieldTypeName(f.type);
    out += "\"}";
  }
  out += "],\"rows\":[";
  for (std::size_t r = 0; r < packet.rows.size(); ++r) {
    if (r) out.push_back(',');
    out.push_back('[');
    const auto& row = packet.rows[r];
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c) out.push_back(',');
      if (row[c])
        AppendString(out, *row[c]);
      else
        out += "null";
    }
    out.push_back(']');
  }
  out += "]}";
}

void AppendEnvelope(std::string& out, const ResultEnvelope& envelope) {
  if (!envelope.ok) {
    out += "{\"code\":";
    AppendString(out, envelope.code);
    out += ",\"message\":";
    AppendString(out, envelope.message);
    out += ",\"status\":\"error\"}";
    return;
  }
  out += "{\"packet\":";
  if (envelope.packet)
    AppendPacket(out, *envelope.packet);
  else
    out += "null";
  out += ",\"status\":\"ok\"}";
}

}  // namespace totem::json_writer
