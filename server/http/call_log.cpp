#include "server/http/call_log.h"

#include <charconv>
#include <cstdio>

namespace totem::server {
namespace {

// Longest caller-chosen value written; valid codes are a few characters.
constexpr std::size_t kMaxCodeLength = 20;
constexpr std::size_t kMaxPathLength = 100;

bool Bare(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-' || c == ':' || c == '/' || c == '+' || c == '@';
}

// A value as logfmt writes it: bare when it is made of plain characters,
// otherwise quoted with every byte outside printable ASCII escaped, so a
// value can neither end the line nor forge a key of its own.
void AppendValue(std::string& out, std::string_view value, std::size_t maxLength) {
  const bool cut = value.size() > maxLength;
  if (cut) value = value.substr(0, maxLength);
  bool bare = !value.empty() && !cut;
  for (unsigned char c : value) bare = bare && Bare(c);
  if (bare) {
    out += value;
    return;
  }
  out += '"';
  for (unsigned char c : value) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  if (cut) out += "...";
  out += '"';
}

void AppendField(std::string& out, std::string_view key, std::string_view value,
                 std::size_t maxLength = 200) {
  out += ' ';
  out += key;
  out += '=';
  AppendValue(out, value, maxLength);
}

}  // namespace

std::string_view HttpOutcome(int status) {
  if (status >= 500) return "error";
  if (status >= 400) return "rejected";
  return "ok";
}

std::string FormatRequestRecord(const RequestRecord& record, std::string_view timestamp) {
  std::string out = "ts=";
  out += timestamp;
  AppendField(out, "client", record.client.empty() ? "-" : record.client);
  AppendField(out, "token", record.token.empty() ? "-" : record.token);
  if (record.call) {
    const CallSummary& call = *record.call;
    AppendField(out, "method", call.method.empty() ? "-" : call.method);
    if (!call.method.empty() && (!call.cdFilial.empty() || !call.cdCaixa.empty())) {
      AppendField(out, "filial", call.cdFilial, kMaxCodeLength);
      AppendField(out, "caixa", call.cdCaixa, kMaxCodeLength);
    }
  } else {
    AppendField(out, "http", record.httpMethod, kMaxCodeLength);
    AppendField(out, "path", record.path, kMaxPathLength);
  }
  // to_chars: snprintf's general machinery cost more than the rest of the
  // record, and this runs once per call.
  char millis[32];
  const auto written = std::to_chars(millis, millis + sizeof millis, record.milliseconds,
                                     std::chars_format::fixed, 2);
  AppendField(out, "ms", std::string_view(millis, static_cast<std::size_t>(written.ptr - millis)));
  if (record.call) {
    AppendField(out, "outcome", OutcomeName(record.call->outcome));
    if (!record.call->code.empty()) AppendField(out, "code", record.call->code, kMaxCodeLength);
  } else {
    AppendField(out, "outcome", HttpOutcome(record.status));
    AppendField(out, "status", std::to_string(record.status));
  }
  return out;
}

}  // namespace totem::server
