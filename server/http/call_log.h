#pragma once
// The call log: one line on standard error per answered request, in logfmt
// (key=value pairs, values quoted only when they need it), e.g.
//   ts=2025-05-01T12:00:00.123Z client=10.0.0.7 token=loja1 method=getCarregaPar
//   filial=0001 caixa=001 ms=0.42 outcome=ok
// It names who called what and how it ended, never a message text or a
// token: the only values the caller chose are the branch and register codes
// and the request path, which are escaped to printable ASCII and cut short.
#include "server/rpc/call_summary.h"

#include <optional>
#include <string>
#include <string_view>

namespace totem::server {

struct RequestRecord {
  std::string client;  // the caller's IP address
  std::string token;   // name of the caller's token; empty when none was accepted
  // A call of the module's methods; for other requests (the module's
  // description, health, metrics, refusals) the HTTP method, path and status.
  std::optional<CallSummary> call;
  std::string httpMethod;
  std::string path;
  int status = 0;
  double milliseconds = 0;
};

// "ok" for 2xx and 3xx, "rejected" for 4xx, "error" for 5xx.
std::string_view HttpOutcome(int status);

std::string FormatRequestRecord(const RequestRecord& record, std::string_view timestamp);

}  // namespace totem::server
