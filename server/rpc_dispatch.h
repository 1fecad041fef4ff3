#pragma once
// Turns a JSON-RPC request body into the response body: parses the request,
// finds the method, checks the number of parameters, calls the module and
// encodes its envelope together with the final text of every argument.
#include "server/parametros_module.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

class RpcDispatcher {
 public:
  explicit RpcDispatcher(ParametrosModule& module);

  // Always answers a JSON-RPC document: a result, or an error object with
  // the standard code for a body that does not parse (-32700), is not a
  // request (-32600), names no method of the module (-32601) or carries the
  // wrong number or kind of parameters (-32602).
  std::string Handle(std::string_view body) const;

  std::vector<std::string> MethodNames() const;

 private:
  struct Method {
    std::string name;
    std::size_t arity;
    std::function<ResultEnvelope(const std::vector<std::string>&)> call;
  };
  std::vector<Method> methods_;
};

}  // namespace totem::server
