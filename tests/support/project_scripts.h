#pragma once
// Runs one of the project's scripts (scripts/NAME ...) for tests and
// benchmarks that need a throwaway PostgreSQL cluster or nginx.
#include <string>

namespace totem::test {

// Returns what the script printed on standard output, without the final
// line break; throws when it fails.
std::string RunProjectScript(const std::string& command);

}  // namespace totem::test
