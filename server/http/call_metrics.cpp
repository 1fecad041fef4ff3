#include "server/http/call_metrics.h"

#include "server/store/migrations.h"

#include "platform/version.h"

#include <cstdio>

namespace totem::server {
namespace {

constexpr const char* kUnknownMethod = "unknown";

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

void Help(std::string& out, const char* name, const char* type, const char* help) {
  out += "# HELP ";
  out += name;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += name;
  out += ' ';
  out += type;
  out += '\n';
}

void Sample(std::string& out, const std::string& name, const std::string& labels,
            const std::string& value) {
  out += name;
  out += '{';
  out += labels;
  out += "} ";
  out += value;
  out += '\n';
}

}  // namespace

CallMetrics::CallMetrics(const std::vector<std::string>& methods) {
  for (const auto& method : methods) methods_[method];
  methods_[kUnknownMethod];
}

void CallMetrics::RecordCall(const CallSummary& call, double seconds) {
  std::lock_guard lock(mutex_);
  PerMethod& m = methods_[call.method.empty() ? kUnknownMethod : call.method];
  ++m.outcomes[static_cast<std::size_t>(call.outcome)];
  if (call.outcome != CallSummary::Outcome::kOk) ++m.errors[call.code];
  for (std::size_t i = 0; i < kBuckets.size(); ++i)
    if (seconds <= kBuckets[i]) {
      ++m.buckets[i];
      break;
    }
  ++m.count;
  m.sum += seconds;
}

void CallMetrics::RecordRejection(int status) {
  std::lock_guard lock(mutex_);
  ++rejections_[status];
}

std::string CallMetrics::Render() const {
  using Outcome = CallSummary::Outcome;
  std::lock_guard lock(mutex_);
  std::string out;
  Help(out, "totem_build_info", "gauge", "The server's version and its schema version; always 1.");
  Sample(out, "totem_build_info",
         "version=\"" + std::string(kVersion) + "\",schema=\"" + std::to_string(SchemaVersion()) +
             "\"",
         "1");
  Help(out, "totem_rpc_calls_total", "counter", "Calls of the module's methods, by outcome.");
  for (const auto& [method, m] : methods_)
    for (Outcome outcome : {Outcome::kOk, Outcome::kRefused, Outcome::kFault, Outcome::kError})
      Sample(out, "totem_rpc_calls_total",
             "method=\"" + method + "\",outcome=\"" + std::string(OutcomeName(outcome)) + "\"",
             std::to_string(m.outcomes[static_cast<std::size_t>(outcome)]));

  Help(out, "totem_rpc_errors_total", "counter",
       "Calls not answered ok, by refusal code or JSON-RPC error code.");
  for (const auto& [method, m] : methods_)
    for (const auto& [code, count] : m.errors)
      Sample(out, "totem_rpc_errors_total", "method=\"" + method + "\",code=\"" + code + "\"",
             std::to_string(count));

  Help(out, "totem_rpc_duration_seconds", "histogram",
       "Time from a call's request head to its answer written, in seconds.");
  for (const auto& [method, m] : methods_) {
    const std::string label = "method=\"" + method + "\"";
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
      cumulative += m.buckets[i];
      Sample(out, "totem_rpc_duration_seconds_bucket",
             label + ",le=\"" + Number(kBuckets[i]) + "\"", std::to_string(cumulative));
    }
    Sample(out, "totem_rpc_duration_seconds_bucket", label + ",le=\"+Inf\"",
           std::to_string(m.count));
    Sample(out, "totem_rpc_duration_seconds_sum", label, Number(m.sum));
    Sample(out, "totem_rpc_duration_seconds_count", label, std::to_string(m.count));
  }

  Help(out, "totem_http_rejected_total", "counter",
       "Requests refused at the HTTP level (before any method ran), by status.");
  for (const auto& [status, count] : rejections_)
    Sample(out, "totem_http_rejected_total", "status=\"" + std::to_string(status) + "\"",
           std::to_string(count));

  Help(out, "totem_kiosk_answers_total", "counter", "The kiosks' reads, by the status answered.");
  for (const auto& [status, count] : kioskAnswers_)
    Sample(out, "totem_kiosk_answers_total", "status=\"" + std::to_string(status) + "\"",
           std::to_string(count));
  Help(out, "totem_kiosk_waiting", "gauge",
       "Kiosks' reads waiting for a change of their register.");
  out += "totem_kiosk_waiting " + std::to_string(kioskWaiting_) + "\n";
  return out;
}

void CallMetrics::RecordKioskAnswer(int status) {
  std::lock_guard lock(mutex_);
  ++kioskAnswers_[status];
}

void CallMetrics::AddKioskWaiting(long delta) {
  std::lock_guard lock(mutex_);
  kioskWaiting_ += delta;
}

}  // namespace totem::server
