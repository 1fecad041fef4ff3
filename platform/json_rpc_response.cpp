// The client's side of the framing: a server's answer read in one pass.
#include "platform/json_rpc.h"

#include "platform/errors.h"
#include "platform/json_reader.h"

#include <charconv>

namespace totem::rpc {

using nlohmann::json;
using namespace std::string_view_literals;

namespace {

// Answers are read in one pass with the pull reader, straight into the
// Response: no document tree is built, which was most of the cost of a call
// on the client side.
DataPacket ReadPacket(JsonReader& r) {
  DataPacket packet;
  bool sawFields = false, sawRows = false;
  std::string key, scratch;
  r.BeginObject();
  while (r.NextKey(key)) {
    if (key == "fields"sv) {
      sawFields = true;
      packet.fields.reserve(16);  // a record of ours has about that many
      r.BeginArray();
      while (r.NextElement()) {
        PacketColumn column;
        bool named = false;
        r.BeginObject();
        std::string member;
        while (r.NextKey(member)) {
          if (member == "name"sv) {
            r.ReadString(column.name);
            named = !column.name.empty();
          } else if (member == "type"sv) {
            r.ReadString(scratch);
            auto type = ParseFieldType(scratch);
            if (!type)
              throw ProtocolError("Pacote de dados inválido: tipo desconhecido no campo " +
                                  column.name);
            column.type = *type;
          } else if (member == "size"sv) {
            const auto size = r.ReadInteger();
            if (size < 0 || size > 1'000'000)
              throw ProtocolError("Pacote de dados inválido: tamanho inválido");
            column.size = static_cast<int>(size);
          } else {
            r.SkipValue();
          }
        }
        if (!named) throw ProtocolError("Pacote de dados inválido: campo sem nome");
        packet.fields.push_back(std::move(column));
      }
    } else if (key == "rows"sv) {
      sawRows = true;
      r.BeginArray();
      while (r.NextElement()) {
        PacketRow row;
        row.reserve(packet.fields.size());
        r.BeginArray();
        while (r.NextElement()) {
          const auto kind = r.Peek();
          if (kind == JsonReader::Kind::Null) {
            r.ReadNull();
            row.emplace_back(std::nullopt);
          } else if (kind == JsonReader::Kind::String) {
            row.emplace_back(r.ReadString());
          } else {
            throw ProtocolError("Pacote de dados inválido: valor que não é texto nem nulo");
          }
        }
        packet.rows.push_back(std::move(row));
      }
    } else {
      r.SkipValue();
    }
  }
  if (!sawFields || !sawRows)
    throw ProtocolError("Pacote de dados inválido: faltam \"fields\" ou \"rows\"");
  for (const auto& row : packet.rows)
    if (row.size() != packet.fields.size())
      throw ProtocolError(
          "Pacote de dados inválido: linha com número de colunas diferente dos campos");
  return packet;
}

ResultEnvelope ReadEnvelope(JsonReader& r) {
  std::string status, code, message, key;
  bool hasCode = false, hasMessage = false;
  std::optional<DataPacket> packet;
  r.BeginObject();
  while (r.NextKey(key)) {
    if (key == "status"sv) {
      r.ReadString(status);
    } else if (key == "code"sv) {
      r.ReadString(code);
      hasCode = true;
    } else if (key == "message"sv) {
      r.ReadString(message);
      hasMessage = true;
    } else if (key == "packet"sv) {
      if (r.Peek() == JsonReader::Kind::Null)
        r.ReadNull();
      else
        packet = ReadPacket(r);
    } else {
      r.SkipValue();
    }
  }
  if (status == "ok"sv) return ResultEnvelope::Success(std::move(packet));
  if (status == "error"sv) {
    if (!hasCode || !hasMessage)
      throw ProtocolError("Envelope de erro inválido: faltam \"code\" e \"message\"");
    return ResultEnvelope::Failure(std::move(code), std::move(message));
  }
  throw ProtocolError("Envelope de resultado inválido: status \"" + status + "\" desconhecido");
}

json ReadId(JsonReader& r) {
  switch (r.Peek()) {
    case JsonReader::Kind::Null:
      r.ReadNull();
      return nullptr;
    case JsonReader::Kind::String:
      return r.ReadString();
    case JsonReader::Kind::Number: {
      const std::string text = r.ReadNumberText();
      long long whole = 0;
      const char* end = text.data() + text.size();
      if (const auto read = std::from_chars(text.data(), end, whole);
          read.ec == std::errc() && read.ptr == end)
        return whole;
      // A number beyond what a double holds (1e999) is not an id of ours.
      json id = json::parse(text, nullptr, false);
      if (id.is_discarded()) r.Fail("id fora do intervalo");
      return id;
    }
    default:
      r.SkipValue();
      return nullptr;
  }
}

}  // namespace

Response ParseResponse(std::string_view body) {
  JsonReader r(body);
  Response response;
  std::string version, key;
  bool sawResult = false, sawEnvelope = false;
  std::optional<Fault> fault;
  if (r.Peek() != JsonReader::Kind::Object)
    throw ProtocolError("Resposta do servidor não segue o protocolo JSON-RPC 2.0");
  r.BeginObject();
  while (r.NextKey(key)) {
    if (key == "jsonrpc"sv) {
      if (r.Peek() == JsonReader::Kind::String)
        r.ReadString(version);
      else
        r.SkipValue();
    } else if (key == "id"sv) {
      response.id = ReadId(r);
    } else if (key == "error"sv) {
      if (r.Peek() != JsonReader::Kind::Object)
        throw ProtocolError("Objeto de erro inválido na resposta do servidor");
      fault.emplace();
      r.BeginObject();
      std::string member;
      while (r.NextKey(member)) {
        if (member == "code"sv && r.Peek() == JsonReader::Kind::Number)
          fault->code = static_cast<int>(r.ReadInteger());
        else if (member == "message"sv && r.Peek() == JsonReader::Kind::String)
          r.ReadString(fault->message);
        else
          r.SkipValue();
      }
    } else if (key == "result"sv) {
      if (r.Peek() != JsonReader::Kind::Object)
        throw ProtocolError("Resposta do servidor sem resultado");
      sawResult = true;
      r.BeginObject();
      std::string member;
      while (r.NextKey(member)) {
        if (member == "envelope"sv) {
          sawEnvelope = true;
          response.envelope = ReadEnvelope(r);
        } else if (member == "params"sv) {
          if (r.Peek() != JsonReader::Kind::Array)
            throw ProtocolError("Parâmetros de retorno inválidos");
          r.BeginArray();
          while (r.NextElement()) {
            if (r.Peek() == JsonReader::Kind::String) {
              response.params.emplace_back(r.ReadString());
            } else {
              r.SkipValue();
              response.params.emplace_back(std::nullopt);
            }
          }
        } else {
          r.SkipValue();
        }
      }
    } else {
      r.SkipValue();
    }
  }
  r.ExpectEnd();
  if (version != "2.0")
    throw ProtocolError("Resposta do servidor não segue o protocolo JSON-RPC 2.0");
  if (fault) {
    fault->id = response.id;
    response.fault = std::move(fault);
    return response;
  }
  if (!sawResult) throw ProtocolError("Resposta do servidor sem resultado");
  if (!sawEnvelope) throw ProtocolError("Resposta do servidor sem envelope de resultado");
  return response;
}

}  // namespace totem::rpc
