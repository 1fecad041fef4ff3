// The config file the package ships (made at build time from
// deploy/totem-server.conf.in) shows the defaults in force: its commented
// "# key = value" lines of the options that have a default, uncommented,
// leave every option as the server has it without them.
#include "server/cli/command_line.h"
#include "server/cli/serve_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <tuple>

namespace totem::server {
namespace {

auto InForce(const std::vector<std::string>& args) {
  const auto o = std::get<ServeOptions>(ParseCommandLine(args));
  const HttpOptions& h = o.http;
  return std::tuple(o.createDatabase, o.demo, o.sqlitePollMs, o.insecureListenAny, h.host, h.port,
                    h.callLog, h.maxBody, h.maxHeader, h.maxConnections, h.workers, h.writers,
                    h.loops, h.kioskWaitsPerToken, h.kioskWaitsPerAddress, h.answerBudget,
                    h.keepAliveRequests, h.keepAliveSeconds, h.headTimeoutSeconds,
                    h.bodyTimeoutSeconds, h.writeTimeoutSeconds);
}

TEST(ShippedConfigFile, ItsCommentedDefaultsAreTheDefaultsInForce) {
  std::set<std::string> withDefault, limitsShown;
  for (const auto& option : ServerOptionDefaults()) withDefault.insert(option.key);
  for (const auto& option : LimitDefaults()) withDefault.insert(option.key);
  std::ifstream shipped(TOTEM_SHIPPED_CONF);
  ASSERT_TRUE(shipped) << TOTEM_SHIPPED_CONF;
  const auto path =
      std::filesystem::temp_directory_path() / ("shipped-defaults-" + std::to_string(getpid()));
  std::ofstream uncommented(path);
  const std::regex commented(R"(# ([a-z-]+) = .*)");
  std::smatch key;
  for (std::string line; std::getline(shipped, line);) {
    if (!std::regex_match(line, key, commented) || !withDefault.count(key[1])) continue;
    uncommented << line.substr(2) << "\n";
    limitsShown.insert(key[1]);
  }
  uncommented.close();
  for (const auto& option : LimitDefaults())
    EXPECT_TRUE(limitsShown.count(option.key)) << option.key;
  const std::vector<std::string> bare = {"--db", "sqlite:/nao/existe.db"};
  auto withFile = bare;
  withFile.insert(withFile.end(), {"--config", path.string()});
  EXPECT_EQ(InForce(withFile), InForce(bare));
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace totem::server
