#pragma once
// JSON-RPC 2.0 framing of the remote calls, shared by the client connection
// and the application server. Every parameter is a JSON string; a successful
// answer carries the result envelope plus the final text of every argument.
#include "platform/result_envelope.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace totem::rpc {

// Standard JSON-RPC error codes used by the server.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kInternalError = -32603;
// Server-defined: the caller's token may not call this method (it only reads).
inline constexpr int kForbidden = -32003;
// Server-defined: the server holds as many answers as it may; try again soon.
inline constexpr int kServerBusy = -32004;
// Server-defined: a batch's answer grew past its cap; the call was not run.
inline constexpr int kAnswerTooLarge = -32005;

// HTTP path under which a remote data module is served.
std::string ModulePath(std::string_view serverName);  // "/rpc/" + serverName

struct Request {
  nlohmann::json id;  // number, string or null, as sent
  // A numeric id's text as sent, where its value would be written back
  // otherwise (a fraction, an exponent, more digits than 64 bits hold);
  // empty for any other id. Answers carry it verbatim.
  std::string idText;
  // No "id" member: a notification, which the caller wants no answer to.
  bool notification = false;
  std::string method;
  // The text of every argument; "" where the argument is a list.
  std::vector<std::string> params;
  // The arguments that are lists (the copy's destinations), by position;
  // none where the argument is a text. As long as params.
  std::vector<std::optional<nlohmann::json>> lists;
};

struct Fault {
  int code = 0;
  std::string message;
  nlohmann::json id;  // the request's id when it could be read, else null
  // The fault of a notification (a well-formed request without "id"): the
  // standard answers nothing to it.
  bool notification = false;
  std::string idText = {};  // as Request::idText
};

// A body parsed as JSON, with the text of the numeric ids its requests
// carry where a double would not give them back (see Request::idText).
struct Body {
  nlohmann::json value;
  // By request: the body's own (0) or each element of a batch; empty
  // where the id is no such number, and past the end.
  std::vector<std::string> idTexts;

  std::string_view IdText(std::size_t request) const {
    return request < idTexts.size() ? std::string_view(idTexts[request]) : std::string_view();
  }
};

// Parses a body as exactly one JSON value. Returns a Fault with kParseError
// for text that is not JSON, not UTF-8, holds a NUL byte anywhere or has
// anything but blanks after the value, and with kInvalidRequest for an
// object that names a member twice (which of the two counts would be a
// guess).
std::variant<Body, Fault> ParseBody(std::string_view body);
// Reads one request from a parsed value; idText is the text of its id as
// Body::IdText gives it. Returns a Fault with kInvalidRequest for a value
// that is not a request, kInvalidParams when params is not an array of
// texts and lists.
std::variant<Request, Fault> ReadRequest(const nlohmann::json& value, std::string_view idText = {});
// The request most calls are, read without building a document: one object
// whose id is an integer, a text or null (or absent), with "jsonrpc":"2.0",
// a text method and params of texts only, each member at most once, and
// only blanks after it. Nothing for any other body, which ParseBody and
// ReadRequest then read (and answer with the fault it deserves); what it
// reads is what they would read.
std::optional<Request> ReadPlainRequest(std::string_view body);
// ReadPlainRequest, or else ParseBody, then ReadRequest.
std::variant<Request, Fault> ParseRequest(std::string_view body);

std::string EncodeRequest(long long id, std::string_view method,
                          const std::vector<std::string>& params);
// With params of any JSON type (an array): the copy's list of destinations.
std::string EncodeRequestJson(long long id, std::string_view method, const nlohmann::json& params);
// The arguments come back as they came: the texts, and the lists where
// lists holds one (lists may be empty: all texts).
std::string EncodeResult(const nlohmann::json& id, const ResultEnvelope& envelope,
                         const std::vector<std::string>& params,
                         const std::vector<std::optional<nlohmann::json>>& lists = {});
// The answer to request: its id as sent, its arguments as they came.
std::string EncodeResult(const Request& request, const ResultEnvelope& envelope);
// The same answer in two parts: all that follows the id, which is the same
// for every request of one call with the same arguments, and the whole
// answer made of it for one request.
std::string EncodeResultTail(const Request& request, const ResultEnvelope& envelope);
std::string EncodeResultWithTail(const Request& request, std::string_view tail);
std::string EncodeFault(const Fault& fault);

struct Response {
  nlohmann::json id;
  std::optional<Fault> fault;  // set when the server answered an error object
  ResultEnvelope envelope;     // valid when fault is empty
  // The final text of every argument; nullopt for one that is not a text
  // (the copy's list of destinations, sent back as it came).
  std::vector<std::optional<std::string>> params;
};

// Parses a response body; throws ProtocolError when it is not a JSON-RPC
// response of ours.
Response ParseResponse(std::string_view body);

}  // namespace totem::rpc
