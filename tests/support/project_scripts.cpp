#include "tests/support/project_scripts.h"

#include <cstdio>
#include <stdexcept>

namespace totem::test {

std::string RunProjectScript(const std::string& command) {
  std::string out;
  FILE* pipe = popen((std::string(TOTEM_SOURCE_DIR "/scripts/") + command).c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  char buf[512];
  while (fgets(buf, sizeof buf, pipe)) out += buf;
  if (pclose(pipe) != 0) throw std::runtime_error(command + " failed: " + out);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace totem::test
