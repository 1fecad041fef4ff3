#include "platform/json_rpc.h"

#include "platform/errors.h"
#include "platform/json_reader.h"
#include "platform/json_writer.h"

#include <set>

namespace totem::rpc {
namespace {

using nlohmann::json;

// Ids may be numbers, strings or null; anything else is not a request.
bool ValidId(const json& id) { return id.is_number() || id.is_string() || id.is_null(); }

}  // namespace

std::string ModulePath(std::string_view serverName) {
  return "/rpc/" + std::string(serverName);
}

namespace {

struct DuplicateKey {
  std::string key;
};

// The parser's events, watched for a key given twice in one object.
class DuplicateKeyWatch {
 public:
  bool operator()(int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start: open_.emplace_back(); break;
      case json::parse_event_t::object_end: open_.pop_back(); break;
      case json::parse_event_t::key:
        if (!open_.back().insert(parsed.get<std::string>()).second) throw DuplicateKey{parsed.get<std::string>()};
        break;
      default: break;
    }
    return true;
  }

 private:
  std::vector<std::set<std::string>> open_;
};

}  // namespace

std::variant<json, Fault> ParseBody(std::string_view body) {
  try {
    // The parser refuses malformed UTF-8 inside strings, and anything but
    // blanks after the value.
    return json::parse(body.begin(), body.end(), DuplicateKeyWatch());
  } catch (const json::exception&) {
    return Fault{kParseError, "Corpo da requisição não é JSON válido (UTF-8)", nullptr};
  } catch (const DuplicateKey& duplicate) {
    return Fault{kInvalidRequest,
                 "Requisição JSON-RPC inválida: a chave " + json(duplicate.key).dump(-1, ' ', false, json::error_handler_t::replace) +
                     " aparece duas vezes no mesmo objeto",
                 nullptr};
  }
}

std::variant<Request, Fault> ReadRequest(const json& doc) {
  if (!doc.is_object()) return Fault{kInvalidRequest, "Requisição JSON-RPC inválida", nullptr};

  json id = nullptr;
  auto idMember = doc.find("id");
  if (idMember != doc.end()) {
    if (!ValidId(*idMember)) return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: id deve ser número, texto ou nulo", nullptr};
    id = *idMember;
  }
  auto version = doc.find("jsonrpc");
  if (version == doc.end() || *version != "2.0")
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: jsonrpc deve ser \"2.0\"", id};
  auto method = doc.find("method");
  if (method == doc.end() || !method->is_string())
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: method deve ser texto", id};

  Request request;
  request.id = id;
  request.notification = idMember == doc.end();
  request.method = method->get<std::string>();
  auto invalidParams = [&](const char* why) {
    return Fault{kInvalidParams, std::string("Parâmetros inválidos: ") + why, id, request.notification};
  };
  if (auto params = doc.find("params"); params != doc.end()) {
    if (!params->is_array()) return invalidParams("params deve ser uma lista de textos");
    request.params.reserve(params->size());
    request.lists.reserve(params->size());
    for (const auto& p : *params) {
      if (p.is_string()) {
        request.params.push_back(p.get<std::string>());
        request.lists.emplace_back(std::nullopt);
      } else if (p.is_array()) {
        // A list holds texts or lists of texts (pairs of codes), nothing
        // deeper: copying or writing a value nested thousands of levels
        // deep would recurse that deep.
        for (const auto& item : p) {
          if (item.is_string()) continue;
          if (!item.is_array()) return invalidParams("uma lista só pode conter textos ou listas de textos");
          for (const auto& inner : item)
            if (!inner.is_string()) return invalidParams("uma lista só pode conter textos ou listas de textos");
        }
        request.params.emplace_back();
        request.lists.emplace_back(p);
      } else {
        return invalidParams("todo parâmetro deve ser texto (ou, onde o método pede, lista)");
      }
    }
  }
  return request;
}

std::variant<Request, Fault> ParseRequest(std::string_view body) {
  auto parsed = ParseBody(body);
  if (auto* fault = std::get_if<Fault>(&parsed)) return std::move(*fault);
  return ReadRequest(std::get<json>(parsed));
}

std::string EncodeRequest(long long id, std::string_view method,
                          const std::vector<std::string>& params) {
  return EncodeRequestJson(id, method, json(params));
}

std::string EncodeRequestJson(long long id, std::string_view method, const json& params) {
  json doc = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
  return doc.dump(-1, ' ', false, json::error_handler_t::strict);
}

std::string EncodeResult(const json& id, const ResultEnvelope& envelope,
                         const std::vector<std::string>& params,
                         const std::vector<std::optional<json>>& lists) {
  // Written directly: answers are the server's hot path, and a list of
  // 50,000 registers would otherwise be built as a document tree first.
  std::string out;
  std::size_t rows = envelope.packet ? envelope.packet->rows.size() : 0;
  out.reserve(256 + rows * 64);
  out += "{\"id\":";
  out += id.dump(-1, ' ', false, json::error_handler_t::strict);
  out += ",\"jsonrpc\":\"2.0\",\"result\":{\"envelope\":";
  json_writer::AppendEnvelope(out, envelope);
  out += ",\"params\":[";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i) out.push_back(',');
    if (i < lists.size() && lists[i])
      out += lists[i]->dump(-1, ' ', false, json::error_handler_t::strict);
    else
      json_writer::AppendString(out, params[i]);
  }
  out += "]}}";
  return out;
}

std::string EncodeFault(const Fault& fault) {
  json doc = {{"jsonrpc", "2.0"},
              {"id", fault.id},
              {"error", {{"code", fault.code}, {"message", fault.message}}}};
  return doc.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

// Answers are read in one pass with the pull reader, straight into the
// Response: no document tree is built, which was most of the cost of a call
// on the client side.
DataPacket ReadPacket(JsonReader& r) {
  DataPacket packet;
  bool sawFields = false, sawRows = false;
  std::string key;
  r.BeginObject();
  while (r.NextKey(key)) {
    if (key == "fields") {
      sawFields = true;
      r.BeginArray();
      while (r.NextElement()) {
        PacketColumn column;
        bool named = false;
        r.BeginObject();
        std::string member;
        while (r.NextKey(member)) {
          if (member == "name") {
            r.ReadString(column.name);
            named = !column.name.empty();
          } else if (member == "type") {
            auto type = ParseFieldType(r.ReadString());
            if (!type) throw ProtocolError("Pacote de dados inválido: tipo desconhecido no campo " + column.name);
            column.type = *type;
          } else if (member == "size") {
            const auto size = r.ReadInteger();
            if (size < 0 || size > 1'000'000) throw ProtocolError("Pacote de dados inválido: tamanho inválido");
            column.size = static_cast<int>(size);
          } else {
            r.SkipValue();
          }
        }
        if (!named) throw ProtocolError("Pacote de dados inválido: campo sem nome");
        packet.fields.push_back(std::move(column));
      }
    } else if (key == "rows") {
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
  if (!sawFields || !sawRows) throw ProtocolError("Pacote de dados inválido: faltam \"fields\" ou \"rows\"");
  for (const auto& row : packet.rows)
    if (row.size() != packet.fields.size())
      throw ProtocolError("Pacote de dados inválido: linha com número de colunas diferente dos campos");
  return packet;
}

ResultEnvelope ReadEnvelope(JsonReader& r) {
  std::string status, code, message, key;
  bool hasCode = false, hasMessage = false;
  std::optional<DataPacket> packet;
  r.BeginObject();
  while (r.NextKey(key)) {
    if (key == "status") {
      r.ReadString(status);
    } else if (key == "code") {
      r.ReadString(code);
      hasCode = true;
    } else if (key == "message") {
      r.ReadString(message);
      hasMessage = true;
    } else if (key == "packet") {
      if (r.Peek() == JsonReader::Kind::Null) r.ReadNull();
      else packet = ReadPacket(r);
    } else {
      r.SkipValue();
    }
  }
  if (status == "ok") return ResultEnvelope::Success(std::move(packet));
  if (status == "error") {
    if (!hasCode || !hasMessage)
      throw ProtocolError("Envelope de erro inválido: faltam \"code\" e \"message\"");
    return ResultEnvelope::Failure(std::move(code), std::move(message));
  }
  throw ProtocolError("Envelope de resultado inválido: status \"" + status + "\" desconhecido");
}

json ReadId(JsonReader& r) {
  switch (r.Peek()) {
    case JsonReader::Kind::Null: r.ReadNull(); return nullptr;
    case JsonReader::Kind::String: return r.ReadString();
    case JsonReader::Kind::Number: {
      // A number beyond what a double holds (1e999) is not an id of ours.
      json id = json::parse(r.ReadNumberText(), nullptr, false);
      if (id.is_discarded()) r.Fail("id fora do intervalo");
      return id;
    }
    default: r.SkipValue(); return nullptr;
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
    if (key == "jsonrpc") {
      if (r.Peek() == JsonReader::Kind::String) r.ReadString(version);
      else r.SkipValue();
    } else if (key == "id") {
      response.id = ReadId(r);
    } else if (key == "error") {
      if (r.Peek() != JsonReader::Kind::Object)
        throw ProtocolError("Objeto de erro inválido na resposta do servidor");
      fault.emplace();
      r.BeginObject();
      std::string member;
      while (r.NextKey(member)) {
        if (member == "code" && r.Peek() == JsonReader::Kind::Number)
          fault->code = static_cast<int>(r.ReadInteger());
        else if (member == "message" && r.Peek() == JsonReader::Kind::String)
          r.ReadString(fault->message);
        else
          r.SkipValue();
      }
    } else if (key == "result") {
      if (r.Peek() != JsonReader::Kind::Object) throw ProtocolError("Resposta do servidor sem resultado");
      sawResult = true;
      r.BeginObject();
      std::string member;
      while (r.NextKey(member)) {
        if (member == "envelope") {
          sawEnvelope = true;
          response.envelope = ReadEnvelope(r);
        } else if (member == "params") {
          if (r.Peek() != JsonReader::Kind::Array) throw ProtocolError("Parâmetros de retorno inválidos");
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
  if (version != "2.0") throw ProtocolError("Resposta do servidor não segue o protocolo JSON-RPC 2.0");
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
