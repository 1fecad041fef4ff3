#include "platform/json_rpc.h"

#include "platform/errors.h"

namespace totem::rpc {
namespace {

using nlohmann::json;

// Ids may be numbers, strings or null; anything else is not a request.
bool ValidId(const json& id) { return id.is_number() || id.is_string() || id.is_null(); }

}  // namespace

std::string ModulePath(std::string_view serverName) {
  return "/rpc/" + std::string(serverName);
}

std::variant<Request, Fault> ParseRequest(std::string_view body) {
  json doc;
  try {
    // The parser refuses malformed UTF-8 inside strings as well.
    doc = json::parse(body.begin(), body.end());
  } catch (const json::exception&) {
    return Fault{kParseError, "Corpo da requisição não é JSON válido (UTF-8)", nullptr};
  }
  if (!doc.is_object()) return Fault{kInvalidRequest, "Requisição JSON-RPC inválida", nullptr};

  json id = nullptr;
  if (auto it = doc.find("id"); it != doc.end()) {
    if (!ValidId(*it)) return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: id deve ser número, texto ou nulo", nullptr};
    id = *it;
  }
  auto version = doc.find("jsonrpc");
  if (version == doc.end() || *version != "2.0")
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: jsonrpc deve ser \"2.0\"", id};
  auto method = doc.find("method");
  if (method == doc.end() || !method->is_string())
    return Fault{kInvalidRequest, "Requisição JSON-RPC inválida: method deve ser texto", id};

  Request request;
  request.id = id;
  request.method = method->get<std::string>();
  if (auto params = doc.find("params"); params != doc.end()) {
    if (!params->is_array())
      return Fault{kInvalidParams, "Parâmetros inválidos: params deve ser uma lista de textos", id};
    request.params.reserve(params->size());
    for (const auto& p : *params) {
      if (!p.is_string())
        return Fault{kInvalidParams, "Parâmetros inválidos: todo parâmetro deve ser texto", id};
      request.params.push_back(p.get<std::string>());
    }
  }
  return request;
}

std::string EncodeRequest(long long id, std::string_view method,
                          const std::vector<std::string>& params) {
  json doc = {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
  return doc.dump(-1, ' ', false, json::error_handler_t::strict);
}

std::string EncodeResult(const json& id, const ResultEnvelope& envelope,
                         const std::vector<std::string>& params) {
  json doc = {{"jsonrpc", "2.0"},
              {"id", id},
              {"result", {{"envelope", EnvelopeToJson(envelope)}, {"params", params}}}};
  return doc.dump(-1, ' ', false, json::error_handler_t::strict);
}

std::string EncodeFault(const Fault& fault) {
  json doc = {{"jsonrpc", "2.0"},
              {"id", fault.id},
              {"error", {{"code", fault.code}, {"message", fault.message}}}};
  return doc.dump(-1, ' ', false, json::error_handler_t::replace);
}

Response ParseResponse(std::string_view body) {
  json doc;
  try {
    doc = json::parse(body.begin(), body.end());
  } catch (const json::exception&) {
    throw ProtocolError("Resposta do servidor não é JSON válido");
  }
  if (!doc.is_object() || doc.value("jsonrpc", "") != "2.0")
    throw ProtocolError("Resposta do servidor não segue o protocolo JSON-RPC 2.0");

  Response response;
  response.id = doc.contains("id") ? doc["id"] : json(nullptr);
  if (auto error = doc.find("error"); error != doc.end()) {
    if (!error->is_object()) throw ProtocolError("Objeto de erro inválido na resposta do servidor");
    Fault fault;
    fault.id = response.id;
    fault.code = error->value("code", 0);
    fault.message = error->value("message", std::string());
    response.fault = std::move(fault);
    return response;
  }
  auto result = doc.find("result");
  if (result == doc.end() || !result->is_object())
    throw ProtocolError("Resposta do servidor sem resultado");
  auto envelope = result->find("envelope");
  if (envelope == result->end()) throw ProtocolError("Resposta do servidor sem envelope de resultado");
  response.envelope = EnvelopeFromJson(*envelope);
  if (auto params = result->find("params"); params != result->end()) {
    if (!params->is_array()) throw ProtocolError("Parâmetros de retorno inválidos");
    for (const auto& p : *params) {
      if (!p.is_string()) throw ProtocolError("Parâmetro de retorno que não é texto");
      response.params.push_back(p.get<std::string>());
    }
  }
  return response;
}

}  // namespace totem::rpc
