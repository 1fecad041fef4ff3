#pragma once
// One-line diagnostics on standard error for the operator; standard output
// carries only the readiness line. Safe from any thread.
#include <string>
#include <string_view>

namespace totem::server {

// "2025-05-01 12:00:00 totem-server: text", in local time.
void LogLine(std::string_view text);
// The text as it is, as one line: for records meant for programs (the call log).
void LogRecord(std::string_view line);

// Now in UTC with milliseconds: "2025-05-01T12:00:00.123Z".
std::string UtcTimestamp();

}  // namespace totem::server
