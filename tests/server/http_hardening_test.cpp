// Bad input at the HTTP and JSON-RPC level never crashes the server, writes
// anything, or leaves it unable to answer the next client.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>

namespace totem::test {
namespace {

using nlohmann::json;

class HttpHardening : public ::testing::Test {
 protected:
  void StartServer(std::vector<std::string> extraArgs = {}) {
    server_ = std::make_unique<ServerProcess>(
        ServerOn(db_->Address(), true, std::move(extraArgs)));
    client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  }
  void SetUp() override { StartServer(); }

  std::unique_ptr<RawConnection> Connect() {
    return std::make_unique<RawConnection>(server_->Host(), server_->Port());
  }

  void ExpectStillServing() {
    ModuleClient fresh(server_->Host(), server_->Port());
    EXPECT_EQ(fresh.Envelope("getFilial", {})["status"], "ok");
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
};

TEST_F(HttpHardening, ProtocolFaultsAnswerStandardJsonRpcCodes) {
  struct Case {
    const char* what;
    std::string body;
    int code;
  };
  const std::vector<Case> cases = {
      {"not JSON", "{\"jsonrpc\":\"2.0\",", -32700},
      {"invalid UTF-8", "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"getFilial\",\"params\":[\"\xC3\x28\"]}", -32700},
      {"lone surrogate escape", R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":["\udc00"]})", -32700},
      {"an array", "[1,2]", -32600},
      {"no method", R"({"jsonrpc":"2.0","id":1,"params":[]})", -32600},
      {"wrong version", R"({"jsonrpc":"1.0","id":1,"method":"getFilial","params":[]})", -32600},
      {"unknown method", R"({"jsonrpc":"2.0","id":1,"method":"dropTables","params":[]})", -32601},
      {"too few params", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001"]})", -32602},
      {"too many params", R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":["x"]})", -32602},
      {"twelve save params",
       R"({"jsonrpc":"2.0","id":1,"method":"setUpdParametros","params":["0001","001","1","","S","","","","","","S","S"]})",
       -32602},
      {"number param", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",1]})", -32602},
      {"null param", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",null]})", -32602},
      {"params object", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":{"a":"0001"}})", -32602},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto result = client_->Http().Post(kModulePath, c.body, "application/json");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    auto answer = json::parse(result->body);
    EXPECT_EQ(answer["error"]["code"], c.code) << result->body;
    EXPECT_FALSE(answer.contains("result"));
    if (c.code == -32601 || c.code == -32602) {
      EXPECT_EQ(answer["id"], 1) << "the request's id comes back";
    }
  }
  ExpectStillServing();
}

TEST_F(HttpHardening, ModuleDescriptionListsTheSixMethods) {
  auto result = client_->Http().Get(kModulePath);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(json::parse(result->body), json::parse(R"({"server":"Ksl80500.rdmParametrosToten",
      "methods":["getFilial","getConfCaixa","getPesqGrupProd","getCarregaPar","getVerifPar",
                 "setUpdParametros"]})"));
}

TEST_F(HttpHardening, UnknownServerNameAnswers404) {
  for (const std::string path : {"/rpc/Ksl80500.rdmOutro", "/rpc/", "/", "/rpc/Ksl80500.rdmParametrosToten/x"}) {
    SCOPED_TRACE(path);
    auto get = client_->Http().Get(path);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 404);
    auto post = client_->Http().Post(path, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})",
                                     "application/json");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 404);
  }
  ExpectStillServing();
}

TEST_F(HttpHardening, BodyOverTheLimitIsRefusedBeforeItIsSent) {
  // Only the head goes out: the refusal must not wait for the body.
  auto raw = Connect();
  raw->Send("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\n"
            "Content-Type: application/json\r\nContent-Length: 65537\r\n\r\n");
  std::string answer = raw->ReadUntilClosed();
  EXPECT_EQ(StatusOf(answer), 413) << answer;
  EXPECT_EQ(answer.find("<still open>"), std::string::npos) << "connection left open";
  ExpectStillServing();
}

TEST_F(HttpHardening, MaxBodyOptionSetsTheLimit) {
  StartServer({"--max-body", "100"});
  const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  const std::string padded = call.substr(0, call.size() - 1) + std::string(60, ' ') + "}";
  ASSERT_GT(padded.size(), 100u);
  auto small = client_->Http().Post(kModulePath, call, "application/json");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->status, 200);
  auto raw = Connect();
  raw->Send(PostRequest(kModulePath, padded));
  EXPECT_EQ(StatusOf(raw->ReadUntilClosed()), 413);
}

TEST_F(HttpHardening, BodiesWithoutAPlainLengthAreRefused) {
  struct Case {
    const char* what;
    std::string head;
    int status;
  };
  const std::string start = "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n";
  const std::vector<Case> cases = {
      {"chunked", start + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", 411},
      {"no length", start + "\r\n", 411},
      {"length not a number", start + "Content-Length: 1e3\r\n\r\n", 400},
      {"two lengths", start + "Content-Length: 2\r\nContent-Length: 3\r\n\r\n{}", 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto raw = Connect();
    raw->Send(c.head);
    std::string answer = raw->ReadResponse();
    EXPECT_EQ(StatusOf(answer), c.status) << answer;
  }
  ExpectStillServing();
}

TEST_F(HttpHardening, OtherContentTypesAndMethodsAreRefused) {
  auto text = client_->Http().Post(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})",
                                   "text/plain");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->status, 415);
  auto put = client_->Http().Put(kModulePath, "{}", "application/json");
  ASSERT_TRUE(put);
  EXPECT_EQ(put->status, 405);
}

TEST_F(HttpHardening, OneConnectionServesManyCalls) {
  // httplib closes a keep-alive connection after 5 requests unless told otherwise.
  auto raw = Connect();
  for (int i = 0; i < 12; ++i) {
    raw->Send(PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})"));
    std::string answer = raw->ReadResponse();
    ASSERT_EQ(StatusOf(answer), 200) << "call " << i;
    EXPECT_EQ(answer.find("Connection: close"), std::string::npos) << "call " << i;
  }
}

TEST_F(HttpHardening, HalfARequestFromAVanishedClientLeavesTheServerServing) {
  for (const std::string& half :
       {std::string("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\nContent-Le"),
        PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"setUpdParametros","params":["0001","001")")
            .substr(0, 200)}) {
    auto raw = Connect();
    raw->Send(half.substr(0, half.size() - 3));
    raw->Close();
  }
  ExpectStillServing();
}

TEST_F(HttpHardening, AStalledClientDoesNotBlockOthers) {
  auto stalled = Connect();
  auto request = PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  stalled->Send(request.substr(0, request.size() - 10));
  ExpectStillServing();
  // The stalled client finishing late is still answered.
  stalled->Send(request.substr(request.size() - 10));
  EXPECT_EQ(StatusOf(stalled->ReadResponse()), 200);
}

TEST_F(HttpHardening, TokenFileRequiresABearerToken) {
  WriteFile(dir_.File("token"), "s3gredo\n");
  StartServer({"--token-file", dir_.File("token")});
  const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  auto missing = client_->Http().Post(kModulePath, call, "application/json");
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->status, 401);
  auto wrong = client_->Http().Post(kModulePath, {{"Authorization", "Bearer s3gredX"}}, call, "application/json");
  ASSERT_TRUE(wrong);
  EXPECT_EQ(wrong->status, 401);
  auto right = client_->Http().Post(kModulePath, {{"Authorization", "Bearer s3gredo"}}, call, "application/json");
  ASSERT_TRUE(right);
  EXPECT_EQ(right->status, 200);
}

}  // namespace
}  // namespace totem::test
