// The server's call log: one logfmt line per answered request on standard
// error, naming the token by its name and never carrying a token or a
// message text, whatever the caller sends.
#include "tests/server/log_capture.h"
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

namespace totem::test {
namespace {

constexpr const char* kToken = "loja1-0123456789abcdef";

class CallLog : public ::testing::Test {
 protected:
  // Starts the server with its standard error captured.
  void Start(std::vector<std::string> extraArgs) {
    log_ = std::make_unique<LogCapture>(dir_.File("server.log"));
    server_ = std::make_unique<ServerProcess>(ServerOn(db_->Address(), true, std::move(extraArgs)));
    log_->Restore();
  }
  // Stops the server, so every line it had to write is in the file.
  std::vector<std::string> StopAndReadLog() {
    EXPECT_EQ(server_->Terminate(), 0);
    return log_->Lines();
  }

  TempDir dir_;
  std::unique_ptr<LogCapture> log_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
  std::unique_ptr<ServerProcess> server_;
};

TEST_F(CallLog, OneLinePerRequestWithTheTokensNameAndNoSecrets) {
  WriteFile(dir_.File("tokens"), std::string("loja1 ") + kToken + "\n");
  Start({"--token-file", dir_.File("tokens")});
  {
    ModuleClient client(server_->Host(), server_->Port());
    client.Http().set_bearer_token_auth(kToken);
    auto save = ValidSaveArgs();
    save[8] = "Mensagem secreta da loja";
    client.Envelope("getFilial", {});
    client.Envelope("getCarregaPar", {"00\n01 token=forjado", "001"});
    client.Envelope("setUpdParametros", save);
    save[1] = "999";
    client.Envelope("setUpdParametros", save);
    client.Call("dropTables", {"Mensagem secreta da loja"});
    ModuleClient stranger(server_->Host(), server_->Port());
    stranger.Http().set_bearer_token_auth(std::string(kToken) + "x");
    ASSERT_EQ(stranger.Http().Get(kModulePath)->status, 401);
  }
  const auto lines = StopAndReadLog();

  // The client's calls share one connection and are logged in order; the
  // stranger's request came on another and may be logged before or after.
  std::vector<std::map<std::string, std::string>> calls;
  int refusals = 0;
  for (const auto& line : lines) {
    EXPECT_EQ(line.find(kToken), std::string::npos) << line;
    EXPECT_EQ(line.find("secreta"), std::string::npos) << line;
    EXPECT_EQ(line.find("dropTables"), std::string::npos) << line;
    if (line.rfind("ts=", 0) != 0) continue;
    auto fields = ParseLogfmt(line);
    EXPECT_EQ(fields["client"], "127.0.0.1") << line;
    EXPECT_NE(fields["ts"].find('T'), std::string::npos) << line;
    EXPECT_GE(std::stod(fields["ms"]), 0.0) << line;
    if (fields["status"] == "401") {
      ++refusals;
      EXPECT_EQ(fields["token"], "-") << line;
      EXPECT_EQ(fields["path"], kModulePath) << line;
      EXPECT_EQ(fields["outcome"], "rejected") << line;
    } else {
      EXPECT_EQ(fields["token"], "loja1") << line;
      calls.push_back(std::move(fields));
    }
  }
  EXPECT_EQ(refusals, 1);
  const std::vector<std::map<std::string, std::string>> expected = {
      {{"method", "getFilial"}, {"outcome", "ok"}},
      {{"method", "getCarregaPar"},
       {"filial", "00\n01 token=forjado"},
       {"caixa", "001"},
       {"outcome", "ok"}},
      {{"method", "setUpdParametros"}, {"filial", "0001"}, {"caixa", "001"}, {"outcome", "ok"}},
      {{"method", "setUpdParametros"},
       {"caixa", "999"},
       {"outcome", "refused"},
       {"code", "CAIXA_N"}},
      {{"method", "-"}, {"outcome", "fault"}, {"code", "-32601"}},
  };
  ASSERT_EQ(calls.size(), expected.size()) << ::testing::PrintToString(lines);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    for (const auto& [key, value] : expected[i]) EXPECT_EQ(calls[i][key], value) << key;
  }
}

TEST_F(CallLog, TheStartLineSaysWhoMayCall) {
  Start({});
  const auto lines = StopAndReadLog();
  const std::string wanted =
      "sem --token-file: aceitando chamadas sem token, só de processos desta máquina";
  EXPECT_EQ(std::count_if(
                lines.begin(), lines.end(),
                [&](const std::string& line) { return line.find(wanted) != std::string::npos; }),
            1)
      << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace totem::test
