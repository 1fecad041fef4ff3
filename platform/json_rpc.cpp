#include "platform/json_rpc.h"

#include "platform/errors.h"
#include "platform/json_reader.h"
#include "platform/json_writer.h"

#include <charconv>
#include <cstdint>
#include <optional>

namespace totem::rpc {
namespace {

using nlohmann::json;
using namespace std::string_view_literals;

// Ids may be numbers, strings or null; anything else is not a request.
bool ValidId(const json& id) { return id.is_number() || id.is_string() || id.is_null(); }

}  // namespace

std::string ModulePath(std::string_view serverName) { return "/rpc/" + std::string(serverName); }

namespace {

// Builds the parsed value as the library's own parser would, and besides
// stops at a key given twice in one object and keeps the text of each
// request's numeric id that the parser reads as a double: 123456789012345678901234567890
// comes back from a double as 1.2345678901234568e+29, and 1.50 as 1.5.
class BodyBuilder {
 public:
  explicit BodyBuilder(Body& out) : out_(out) {}

  bool null() { return Put(nullptr); }
  bool boolean(bool value) { return Put(value); }
  bool number_integer(json::number_integer_t value) { return Put(value); }
  bool number_unsigned(json::number_unsigned_t value) { return Put(value); }
  bool number_float(json::number_float_t value, const std::string& text) {
    if (const auto request = RequestOfId()) {
      if (out_.idTexts.size() <= *request) out_.idTexts.resize(*request + 1);
      out_.idTexts[*request] = text;
    }
    return Put(value);
  }
  bool string(std::string& value) { return Put(std::move(value)); }
  bool binary(json::binary_t& value) { return Put(std::move(value)); }
  bool start_object(std::size_t) { return Open(json::object()); }
  bool start_array(std::size_t) { return Open(json::array()); }
  bool end_object() { return Close(); }
  bool end_array() { return Close(); }
  bool key(std::string& name) {
    json& object = *open_.back();
    if (object.contains(name)) {
      duplicate_ = std::move(name);
      return false;
    }
    idMember_ = name == "id";
    // A member of a map stays where it is while the object grows.
    member_ = &object[name];
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const json::exception&) { return false; }

  const std::optional<std::string>& Duplicate() const { return duplicate_; }

 private:
  // The request whose "id" member the next value is: the body's own, or
  // one of a batch's.
  std::optional<std::size_t> RequestOfId() const {
    if (!idMember_ || open_.empty() || !open_.back()->is_object()) return std::nullopt;
    if (open_.size() == 1) return 0;
    if (open_.size() == 2 && open_.front()->is_array()) return open_.front()->size() - 1;
    return std::nullopt;
  }

  bool Put(json value) {
    Place(std::move(value));
    return true;
  }
  // An open value is only added to while it is the innermost, so the
  // pointers to the ones around it stay valid.
  json* Place(json value) {
    if (open_.empty()) {
      out_.value = std::move(value);
      return &out_.value;
    }
    json& parent = *open_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    idMember_ = false;
    *member_ = std::move(value);
    return member_;
  }
  bool Open(json value) {
    open_.push_back(Place(std::move(value)));
    return true;
  }
  bool Close() {
    open_.pop_back();
    idMember_ = false;
    return true;
  }

  Body& out_;
  std::vector<json*> open_;
  json* member_ = nullptr;
  bool idMember_ = false;
  std::optional<std::string> duplicate_;
};

void AppendId(std::string& out, const json& id, std::string_view idText) {
  if (!idText.empty() && id.is_number())
    out += idText;
  else
    out += id.dump(-1, ' ', false, json::error_handler_t::strict);
}

}  // namespace

std::variant<Body, Fault> ParseBody(std::string_view body) {
  const auto notJson = [] {
    return Fault{kParseError, "Corpo da requisição não é JSON válido (UTF-8)", nullptr};
  };
  // The parser takes a NUL byte for the end of its input and would leave
  // whatever follows it unread: two saves joined by one would run the first
  // alone, without a word.
  if (body.find('\0') != std::string_view::npos) return notJson();
  Body parsed;
  BodyBuilder builder(parsed);
  // The parser refuses malformed UTF-8 inside strings, and anything but
  // blanks after the value.
  if (json::sax_parse(body.begin(), body.end(), &builder)) return parsed;
  if (const auto& duplicate = builder.Duplicate())
    return Fault{kInvalidRequest,
                 "Requisição JSON-RPC inválida: a chave " +
                     json(*duplicate).dump(-1, ' ', false, json::error_handler_t::replace) +
                     " aparece duas vezes no mesmo objeto",
                 nullptr};
  return notJson();
}

std::variant<Request, Fault> ReadRequest(const json& doc, std::string_view idText) {
  if (!doc.is_object()) return Fault{kInvalidRequest, "Requisição JSON-RPC inválida", nullptr};

  json id = nullptr;
  auto idMember = doc.find("id");
  if (idMember != doc.end()) {
    if (!ValidId(*idMember))
      return Fault{kInvalidRequest,
                   "Requisição JSON-RPC inválida: id deve ser número, texto ou nulo", nullptr};
    id = *idMember;
  }
  const std::string text = id.is_number() ? std::string(idText) : std::string();
  auto version = doc.find("jsonrpc");
  if (version == doc.end() || *version != "2.0")
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: jsonrpc deve ser \"2.0\"", id,
                 false, text};
  auto method = doc.find("method");
  if (method == doc.end() || !method->is_string())
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: method deve ser texto", id, false,
                 text};

  Request request;
  request.id = id;
  request.idText = text;
  request.notification = idMember == doc.end();
  request.method = method->get<std::string>();
  auto invalidParams = [&](const char* why) {
    return Fault{kInvalidParams, std::string("Parâmetros inválidos: ") + why, id,
                 request.notification, text};
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
          if (!item.is_array())
            return invalidParams("uma lista só pode conter textos ou listas de textos");
          for (const auto& inner : item)
            if (!inner.is_string())
              return invalidParams("uma lista só pode conter textos ou listas de textos");
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

namespace {

// An integer id as the library's parser gives it: unsigned when it has no
// sign, as long as it fits; nothing for a fraction, an exponent, a leading
// zero or more digits than 64 bits hold, which the full reading keeps as
// text.
std::optional<json> PlainIntegerId(const std::string& text) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = std::string_view(text).substr(negative ? 1 : 0);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos ||
      (digits.size() > 1 && digits[0] == '0'))
    return std::nullopt;
  auto read = [&text](auto value) -> std::optional<json> {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end) return std::nullopt;
    return json(value);
  };
  return negative ? read(std::int64_t{}) : read(std::uint64_t{});
}

}  // namespace

std::optional<Request> ReadPlainRequest(std::string_view body) {
  enum Member : unsigned { kId = 1, kVersion = 2, kMethod = 4, kParams = 8 };
  try {
    JsonReader reader(body);
    if (reader.Peek() != JsonReader::Kind::Object) return std::nullopt;
    Request request;
    request.notification = true;
    unsigned seen = 0;
    std::string key;
    auto once = [&seen](Member member) {
      if (seen & member) return false;
      seen |= member;
      return true;
    };
    reader.BeginObject();
    while (reader.NextKey(key)) {
      if (key == "id"sv) {
        if (!once(kId)) return std::nullopt;
        request.notification = false;
        switch (reader.Peek()) {
          case JsonReader::Kind::Number: {
            auto id = PlainIntegerId(reader.ReadNumberText());
            if (!id) return std::nullopt;
            request.id = std::move(*id);
            break;
          }
          case JsonReader::Kind::String:
            request.id = reader.ReadString();
            break;
          case JsonReader::Kind::Null:
            reader.ReadNull();
            break;
          default:
            return std::nullopt;
        }
      } else if (key == "jsonrpc"sv) {
        if (!once(kVersion) || reader.Peek() != JsonReader::Kind::String ||
            reader.ReadString() != "2.0")
          return std::nullopt;
      } else if (key == "method"sv) {
        if (!once(kMethod) || reader.Peek() != JsonReader::Kind::String) return std::nullopt;
        reader.ReadString(request.method);
      } else if (key == "params"sv) {
        if (!once(kParams) || reader.Peek() != JsonReader::Kind::Array) return std::nullopt;
        reader.BeginArray();
        while (reader.NextElement()) {
          if (reader.Peek() != JsonReader::Kind::String) return std::nullopt;
          request.params.push_back(reader.ReadString());
        }
      } else {
        return std::nullopt;
      }
    }
    reader.ExpectEnd();
    if (!(seen & kVersion) || !(seen & kMethod)) return std::nullopt;
    request.lists.resize(request.params.size());
    return request;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::variant<Request, Fault> ParseRequest(std::string_view body) {
  if (auto plain = ReadPlainRequest(body)) return std::move(*plain);
  auto parsed = ParseBody(body);
  if (auto* fault = std::get_if<Fault>(&parsed)) return std::move(*fault);
  const Body& value = std::get<Body>(parsed);
  return ReadRequest(value.value, value.IdText(0));
}

std::string EncodeRequest(long long id, std::string_view method,
                          const std::vector<std::string>& params) {
  // Written directly, in the same bytes as the document would be: the
  // module's connection sends one for every call.
  std::string out = "{\"id\":" + std::to_string(id) + ",\"jsonrpc\":\"2.0\",\"method\":";
  json_writer::AppendString(out, method);
  out += ",\"params\":[";
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i) out.push_back(',');
    json_writer::AppendString(out, params[i]);
  }
  out += "]}";
  return out;
}

std::string EncodeRequestJson(long long id, std::string_view method, const json& params) {
  json doc = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
  return doc.dump(-1, ' ', false, json::error_handler_t::strict);
}

namespace {

// Everything of an answer after its id.
void AppendResultTail(std::string& out, const ResultEnvelope& envelope,
                      const std::vector<std::string>& params,
                      const std::vector<std::optional<json>>& lists) {
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
}

std::string EncodeResultWithId(const json& id, std::string_view idText,
                               const ResultEnvelope& envelope,
                               const std::vector<std::string>& params,
                               const std::vector<std::optional<json>>& lists) {
  // Written directly: answers are the server's hot path, and a list of
  // 50,000 registers would otherwise be built as a document tree first.
  std::string out;
  std::size_t rows = envelope.packet ? envelope.packet->rows.size() : 0;
  out.reserve(256 + rows * 64);
  out += "{\"id\":";
  AppendId(out, id, idText);
  AppendResultTail(out, envelope, params, lists);
  return out;
}

}  // namespace

std::string EncodeResult(const json& id, const ResultEnvelope& envelope,
                         const std::vector<std::string>& params,
                         const std::vector<std::optional<json>>& lists) {
  return EncodeResultWithId(id, {}, envelope, params, lists);
}

std::string EncodeResult(const Request& request, const ResultEnvelope& envelope) {
  return EncodeResultWithId(request.id, request.idText, envelope, request.params, request.lists);
}

std::string EncodeResultTail(const Request& request, const ResultEnvelope& envelope) {
  std::string tail;
  AppendResultTail(tail, envelope, request.params, request.lists);
  return tail;
}

std::string EncodeResultWithTail(const Request& request, std::string_view tail) {
  std::string out;
  out.reserve(32 + tail.size());
  out += "{\"id\":";
  AppendId(out, request.id, request.idText);
  out += tail;
  return out;
}

std::string EncodeFault(const Fault& fault) {
  std::string out = "{\"error\":";
  out += json{{"code", fault.code}, {"message", fault.message}}.dump(
      -1, ' ', false, json::error_handler_t::replace);
  out += ",\"id\":";
  AppendId(out, fault.id, fault.idText);
  out += ",\"jsonrpc\":\"2.0\"}";
  return out;
}

}  // namespace totem::rpc
