#pragma once
// What became of one call, for the call log and the metrics. Holds nothing
// the user typed beyond the branch and register codes.
#include <string>
#include <string_view>

namespace totem::server {

struct CallSummary {
  enum class Outcome {
    kOk,       // the method ran and answered "ok"
    kRefused,  // the method refused (error envelope with a rule's code)
    kFault,    // not a valid call (JSON-RPC error object)
    kError,    // the store failed (ERRO_BD) or the server hit an internal error
  };
  std::string method;    // one of the module's methods; empty when the body named none
  std::string cdFilial;  // the first two arguments, for the methods that take a register
  std::string cdCaixa;
  Outcome outcome = Outcome::kFault;
  std::string code;  // the refusal code or the JSON-RPC error code; empty when ok
};

std::string_view OutcomeName(CallSummary::Outcome outcome);

}  // namespace totem::server
