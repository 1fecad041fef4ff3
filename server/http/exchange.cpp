#include "server/http/exchange.h"

#include "server/http/call_log.h"
#include "server/log/server_log.h"

namespace totem::server {

void Finish(const Exchange& exchange, CallMetrics& metrics, bool callLog) {
  if (exchange.quiet && exchange.status < 400) return;
  auto log = [&](const RequestRecord& record, const std::string& timestamp) {
    if (callLog) LogRecord(FormatRequestRecord(record, timestamp));
  };
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - exchange.start).count();
  RequestRecord record;
  record.client = exchange.client;
  record.token = exchange.token;
  record.milliseconds = seconds * 1000;
  record.status = exchange.status;
  // Without the call log nothing needs the time of day.
  const std::string timestamp = callLog ? UtcTimestamp() : std::string();
  if (exchange.isCall && !exchange.calls.empty()) {
    for (const CallSummary& call : exchange.calls) {
      record.call = call;
      metrics.RecordCall(call, seconds);
      log(record, timestamp);
    }
    return;
  }
  record.httpMethod = exchange.httpMethod;
  record.path = exchange.path;
  if (exchange.status >= 400 && !exchange.quiet) metrics.RecordRejection(exchange.status);
  log(record, timestamp);
}

}  // namespace totem::server
