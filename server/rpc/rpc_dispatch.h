#pragma once
// Turns a JSON-RPC 2.0 request body into the response body, as the standard
// says: one request gets one response object; a batch (an array of up to
// kMaxBatch requests) gets an array of the responses, in the order of the
// requests; a notification (a request without "id") runs and gets no
// response, so a body of notifications only is answered with nothing.
#include "server/domain/parametros_module.h"
#include "server/rpc/answer_cache.h"
#include "server/rpc/call_summary.h"

#include <nlohmann/json_fwd.hpp>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::rpc {
struct Request;
}

namespace totem::server {

struct RpcAnswer {
  std::string body;  // empty when nothing is to be answered (notifications only)
  // Every request of the body, in order, for the call log and the metrics;
  // one fault when the body holds no request at all.
  std::vector<CallSummary> calls;
  // A call was refused because the caller's token may only read, or does
  // not reach the branch or register it names.
  bool forbidden = false;
};

// What a body asks of the store, judged from its text before it is parsed,
// so that the server can choose where to run it without parsing it twice.
enum class CallWeight {
  kLight,  // one call that reads one register
  kHeavy,  // a batch, or a call that reads a whole chain
  kWrite,  // it names a method that writes
};

class RpcDispatcher {
 public:
  // Calls one batch may hold. A batch runs its calls one after another on
  // one worker, so the cap bounds how long it holds that worker and how
  // large its answer grows.
  static constexpr std::size_t kMaxBatch = 10;
  // Once a batch's answer has grown past this, its remaining calls are not
  // run and are answered -32005 each: a batch cannot make the server hold
  // an answer of any size.
  static constexpr std::size_t kMaxBatchAnswer = 16 * 1024 * 1024;

  explicit RpcDispatcher(ParametrosModule& module);

  // Always answers JSON-RPC: results, or error objects with the standard
  // code for a body that does not parse or names a key twice in an object
  // (-32700, -32600), is not a request or is an empty or too large batch
  // (-32600), names no method of the module (-32601) or carries the wrong
  // number or kind of parameters (-32602); and the server's own -32003 for
  // a write by a token that may only read, or a branch or register the
  // caller's token does not reach.
  RpcAnswer Handle(std::string_view body, const Caller& caller) const;
  // The answer's body alone, for an anonymous caller.
  std::string Handle(std::string_view body) const;

  std::vector<std::string> MethodNames() const;

  // A body that names a writing method anywhere, or spells a text with an
  // escape (a method's name could hide behind it), counts as writing; one
  // that names a method reading a whole chain, or is a batch, as heavy. So
  // a body is never judged lighter than what it runs.
  CallWeight Weigh(std::string_view body) const;

 private:
  struct Method {
    std::string name;
    std::size_t arity;
    bool takesRegister;  // the first two arguments are a branch and a register code
    bool lastIsList;     // the last argument is a list; every other is a text
    bool writes;         // refused to a token that may only read
    // Reads one register, with an answer that depends on nothing but the
    // database and the arguments: kept in the answer cache.
    bool kept;
    // The texts, the list (null when the method takes none) and the caller.
    std::function<ResultEnvelope(const std::vector<std::string>&, const nlohmann::json&,
                                 const Caller&)>
        call;
  };
  // One element of the body, with the text of its id as sent; nothing for
  // a notification.
  std::optional<std::string> Run(const nlohmann::json& value, std::string_view idText,
                                 const Caller& caller, CallSummary& summary,
                                 bool full = false) const;
  std::optional<std::string> Call(const rpc::Request& request, const Caller& caller,
                                  CallSummary& summary) const;

  // Runs method for request and encodes its answer (a fault for a store
  // failure or a register beyond reach). *tail, when asked for, gets what
  // follows the id of a successful answer, to be kept for callers that
  // reach every register while the store's commit stamp holds.
  std::string Ran(const Method& method, const rpc::Request& request, const Caller& caller,
                  CallSummary& summary, std::string* tail = nullptr) const;

  ParametrosModule& module_;
  std::vector<Method> methods_;
  mutable AnswerCache kept_;
};

}  // namespace totem::server
