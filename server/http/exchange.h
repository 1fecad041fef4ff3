#pragma once
// What the server knows of one request, from its head to the call-log lines
// and metrics written once its answer is out.
#include "server/domain/token_reach.h"
#include "server/http/call_metrics.h"
#include "server/rpc/call_summary.h"

#include <chrono>
#include <string>
#include <vector>

namespace totem::server {

struct Exchange {
  std::chrono::steady_clock::time_point start;  // the head was read
  std::string client;                           // the caller's address
  std::string token;                            // the name of the caller's token; empty when none
  bool readOnly = false;                        // that token may only read
  TokenReach reach;                             // and the branches and registers it reaches
  std::string httpMethod = "-";                 // "-" until the request line was read
  std::string path = "-";
  bool isCall = false;             // a body the JSON-RPC dispatcher answered
  std::vector<CallSummary> calls;  // what became of each call in it
  bool quiet = false;              // health checks and metric scrapes that succeed are not logged
  int status = 0;
};

// The exchange's counts in the metrics and, when callLog, its call-log lines
// (one per call in a call's body, else one).
void Finish(const Exchange& exchange, CallMetrics& metrics, bool callLog);

}  // namespace totem::server
