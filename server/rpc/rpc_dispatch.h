#pragma once
// Turns a JSON-RPC request body into the response body: parses the request,
// finds the method, checks the number of parameters, calls the module and
// encodes its envelope together with the final text of every argument.
#include "server/domain/parametros_module.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

// What became of one call, for the call log and the metrics. Holds nothing
// the user typed beyond the branch and register codes.
struct CallSummary {
  enum class Outcome {
    kOk,       // the method ran and answered "ok"
    kRefused,  // the method refused (error envelope with a rule's code)
    kFault,    // not a valid call (JSON-RPC error object)
    kError,    // the store failed (ERRO_BD) or the server hit an internal error
  };
  std::string method;  // one of the module's methods; empty when the body named none
  std::string cdFilial;  // the first two arguments, for the methods that take a register
  std::string cdCaixa;
  Outcome outcome = Outcome::kFault;
  std::string code;  // the refusal code or the JSON-RPC error code; empty when ok
};

std::string_view OutcomeName(CallSummary::Outcome outcome);

class RpcDispatcher {
 public:
  explicit RpcDispatcher(ParametrosModule& module);

  // Always answers a JSON-RPC document: a result, or an error object with
  // the standard code for a body that does not parse (-32700), is not a
  // request (-32600), names no method of the module (-32601) or carries the
  // wrong number or kind of parameters (-32602).
  std::string Handle(std::string_view body) const;
  // The same for a known caller (recorded with saves); fills summary.
  std::string Handle(std::string_view body, const Caller& caller, CallSummary& summary) const;

  std::vector<std::string> MethodNames() const;

 private:
  struct Method {
    std::string name;
    std::size_t arity;
    bool takesRegister;  // the first two arguments are a branch and a register code
    std::function<ResultEnvelope(const std::vector<std::string>&, const Caller&)> call;
  };
  std::vector<Method> methods_;
};

}  // namespace totem::server
