// A third-party JSON-RPC 2.0 client talks to the server as the standard
// says, with the library's defaults: Debian's python3-jsonrpclib-pelix, for
// single calls, errors, a save with accents, a batch (its MultiCall) and a
// notification followed by a call on the same proxy, in
// jsonrpclib_client.py beside this file.
#include "tests/server/hardening_fixture.h"

#include <cstdio>

namespace totem::test {
namespace {

TEST_F(HttpHardening, AThirdPartyClientOnItsDefaultsCallsSavesBatchesAndNotifies) {
  // Debian's interpreter, where the library is installed, whatever python3
  // comes first on the PATH.
  const std::string command =
      "/usr/bin/python3 " TOTEM_SOURCE_DIR "/tests/server/jsonrpclib_client.py http://" +
      server_->Host() + ":" + std::to_string(server_->Port()) + kModulePath + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  EXPECT_EQ(pclose(pipe), 0) << output;
  EXPECT_NE(output.find("all checks passed"), std::string::npos) << output;
}

}  // namespace
}  // namespace totem::test
