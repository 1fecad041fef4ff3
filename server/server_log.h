#pragma once
// One-line diagnostics on standard error for the operator; standard output
// carries only the readiness line. Safe from any thread.
#include <string_view>

namespace totem::server {

void LogLine(std::string_view text);

}  // namespace totem::server
