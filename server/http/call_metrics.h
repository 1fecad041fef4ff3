#pragma once
// Counters behind GET /metrics, rendered in Prometheus' text format:
//   totem_build_info{version,schema}           1; the server's version and schema version
//   totem_rpc_calls_total{method,outcome}      calls by outcome (ok, refused, fault, error)
//   totem_rpc_errors_total{method,code}        calls not answered ok, by refusal or JSON-RPC code
//   totem_rpc_duration_seconds{method}         histogram, from a call's request head to its answer
//   totem_http_rejected_total{status}          requests refused at the HTTP level (401, 413 ...)
//   totem_kiosk_answers_total{status}          the kiosks' reads, by the status answered (200, 304
//   ...) totem_kiosk_waiting                        kiosks' reads waiting for a change now
// A body that names none of the module's methods counts under method="unknown".
// Labels take only the module's method names and the server's own codes,
// never text a caller chose, so the number of series stays bounded.
#include "server/rpc/call_summary.h"

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace totem::server {

class CallMetrics {
 public:
  // Upper bounds of the duration histogram's buckets, in seconds.
  static constexpr std::array<double, 14> kBuckets = {
      0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

  // Every method starts with zero counts, so rates are defined from the start.
  explicit CallMetrics(const std::vector<std::string>& methods);

  void RecordCall(const CallSummary& call, double seconds);
  void RecordRejection(int status);
  void RecordKioskAnswer(int status);
  // Every event loop's kiosk hub reports the waits it starts (+) and ends (-).
  void AddKioskWaiting(long delta);
  std::string Render() const;

 private:
  struct PerMethod {
    std::array<std::uint64_t, 4> outcomes{};  // by CallSummary::Outcome
    std::map<std::string, std::uint64_t> errors;
    std::array<std::uint64_t, kBuckets.size()> buckets{};  // not cumulative
    std::uint64_t count = 0;
    double sum = 0;
  };

  mutable std::mutex mutex_;
  std::map<std::string, PerMethod> methods_;
  std::map<int, std::uint64_t> rejections_;
  std::map<int, std::uint64_t> kioskAnswers_;
  long kioskWaiting_ = 0;
};

}  // namespace totem::server
