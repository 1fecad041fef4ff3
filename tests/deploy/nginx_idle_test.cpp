// nginx and the servers agree on idle connections: nginx ends an idle
// connection to a server before the server would, so a save sent after a
// pause never lands on a connection the server has just closed (nginx does
// not send a POST twice, and the save would fail).
#include "tests/support/project_scripts.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

using namespace totem;
using namespace std::chrono_literals;

namespace {

// Seconds in the first "keepalive_timeout Ns;" of the shipped site's upstream block.
int NginxUpstreamIdleSeconds() {
  std::ifstream site(TOTEM_SOURCE_DIR "/deploy/nginx/totem.conf");
  const std::string text((std::istreambuf_iterator<char>(site)), std::istreambuf_iterator<char>());
  std::string upstream = text.substr(text.find("upstream totem_servers {"));
  upstream.resize(upstream.find("\n}"));
  std::smatch match;
  if (!std::regex_search(upstream, match, std::regex(R"(keepalive_timeout (\d+)s;)"))) return -1;
  return std::stoi(match[1]);
}

// The default of --keep-alive-timeout, as the server's help states it.
int ServerIdleSeconds() {
  std::string help;
  test::ServerProcess::RunTool({"--help"}, &help);
  std::smatch match;
  if (!std::regex_search(help, match, std::regex(R"(--keep-alive-timeout S[^(]*\(padrão (\d+)\))")))
    return -1;
  return std::stoi(match[1]);
}

}  // namespace

TEST(NginxIdle, TheShippedSiteEndsIdleConnectionsBeforeTheServerDoes) {
  const int nginx = NginxUpstreamIdleSeconds(), server = ServerIdleSeconds();
  ASSERT_GT(nginx, 0);
  ASSERT_GT(server, 0);
  EXPECT_LT(nginx, server);
}

// The same order at a small scale: nginx keeps idle connections 1 s, the
// server 3 s; each save comes after a pause past nginx's time.
TEST(NginxIdle, SavesAfterIdlePausesNeverFail) {
  test::TempDir dir;
  auto db = test::TestDatabase::Create(dir, "idle");
  test::ServerProcess server({db->Address(), true, {"--keep-alive-timeout", "3"}});
  const std::string front = dir.File("nginx");
  setenv("TOTEM_NGINX_UPSTREAM_IDLE", "1s", 1);
  const int port = std::stoi(test::RunProjectScript(
      "nginx-front start " + front + " " + server.Host() + ":" + std::to_string(server.Port())));
  unsetenv("TOTEM_NGINX_UPSTREAM_IDLE");
  {
    test::RemoteClient client("127.0.0.1", port, 10s);
    for (int n = 1; n <= 3; ++n) {
      EXPECT_TRUE(client.SaveNumbered("0001", "001", n).ok) << "save " << n;
      std::this_thread::sleep_for(1500ms);  // idle: past nginx's time, within the server's
    }
    EXPECT_TRUE(client.SaveNumbered("0001", "001", 4).ok);
  }
  test::RunProjectScript("nginx-front stop " + front);
}
