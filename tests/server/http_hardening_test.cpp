// Bad input at the HTTP and JSON-RPC level never crashes the server, writes
// anything, or leaves it unable to answer the next client; a server with a
// token file answers nobody without a token.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

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
  void SetUp() override {
    StartServer();
    before_ = Stored();
  }

  // The parameter records and the save history, straight from the database.
  std::vector<std::vector<std::string>> Stored() {
    auto rows = db_->Query(
        "SELECT cdfilial, cdcaixa, idtipexttot, dsmsginitot, nrsegfectot FROM parametro_totem"
        " ORDER BY cdfilial, cdcaixa");
    rows.push_back(db_->Query("SELECT COUNT(*) FROM parametro_totem_historico").at(0));
    return rows;
  }
  void ExpectNothingWritten() { EXPECT_EQ(Stored(), before_) << "a refused request changed the database"; }

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
  std::vector<std::vector<std::string>> before_;
};

// A save of register 0001/001 that the server would accept.
std::string SaveBody(const std::string& message = "Gravado por engano") {
  auto args = ValidSaveArgs();
  args[8] = message;
  return nlohmann::json{{"jsonrpc", "2.0"}, {"id", 1}, {"method", "setUpdParametros"}, {"params", args}}.dump();
}

// Bytes that are neither HTTP nor JSON, the same on every run.
std::string Garbage(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (auto& b : bytes) b = static_cast<char>(random() & 0xff);
  return bytes;
}

TEST_F(HttpHardening, ProtocolFaultsAnswerStandardJsonRpcCodes) {
  struct Case {
    const char* what;
    std::string body;
    int code;
  };
  auto save = [](const std::string& message) {
    auto args = ValidSaveArgs();
    std::string params;
    for (std::size_t i = 0; i < args.size(); ++i)
      params += (i ? ",\"" : "\"") + (i == 8 ? message : args[i]) + "\"";
    return R"({"jsonrpc":"2.0","id":1,"method":"setUpdParametros","params":[)" + params + "]}";
  };
  const std::string deep(20000, '[');
  const std::string deepEnd(20000, ']');
  const std::vector<Case> cases = {
      {"not JSON", "{\"jsonrpc\":\"2.0\",", -32700},
      {"binary garbage", Garbage(2000, 7), -32700},
      {"deeply nested arrays", deep + deepEnd, -32600},
      {"deeply nested and never closed", deep, -32700},
      {"deeply nested params",
       R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",)" + deep + deepEnd + "]}", -32602},
      {"save with invalid UTF-8 in a message", save("Ol\xC3\x28"), -32700},
      {"save with an overlong encoding", save("\xC0\xAF"), -32700},
      {"save with a surrogate's bytes", save("\xED\xA0\x80"), -32700},
      {"save with a cut multi-byte character", save("Ol\xC3"), -32700},
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
  ExpectNothingWritten();
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

TEST_F(HttpHardening, OneConnectionServesAThousandCalls) {
  // httplib closes a keep-alive connection after 5 requests unless told otherwise.
  auto raw = Connect();
  const std::string filial = PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  const std::string carrega =
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":2,"method":"getCarregaPar","params":["0001","001"]})");
  for (int i = 0; i < 1000; ++i) {
    raw->Send(i % 2 ? carrega : filial);
    std::string answer = raw->ReadResponse();
    ASSERT_EQ(StatusOf(answer), 200) << "call " << i;
    ASSERT_EQ(answer.find("Connection: close"), std::string::npos) << "call " << i;
  }
}

TEST_F(HttpHardening, KeepAliveRequestsOptionClosesTheConnectionAtTheLimit) {
  StartServer({"--keep-alive-requests", "3"});
  auto raw = Connect();
  const std::string call = PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  for (int i = 0; i < 3; ++i) {
    raw->Send(call);
    std::string answer = raw->ReadResponse();
    ASSERT_EQ(StatusOf(answer), 200) << "call " << i;
    EXPECT_EQ(answer.find("Connection: close") != std::string::npos, i == 2) << "call " << i;
  }
  EXPECT_EQ(raw->ReadUntilClosed(), "");
}

TEST_F(HttpHardening, HalfARequestFromAVanishedClientLeavesTheServerServing) {
  for (const std::string& half :
       {std::string("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\nContent-Le"),
        PostRequest(kModulePath, SaveBody()).substr(0, 200), PostRequest(kModulePath, SaveBody())}) {
    auto raw = Connect();
    raw->Send(half.substr(0, half.size() - 3));
    raw->Close();
  }
  ExpectStillServing();
  ExpectNothingWritten();
}

TEST_F(HttpHardening, ABodyCutShortIsDroppedAtTheReadDeadlineWithNothingWritten) {
  StartServer({"--read-timeout", "1"});
  const std::string request = PostRequest(kModulePath, SaveBody());
  auto raw = Connect();
  raw->Send(request.substr(0, request.size() - 20));
  EXPECT_EQ(StatusOf(raw->ReadResponse()), 400);
  ExpectStillServing();
  ExpectNothingWritten();
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

TEST_F(HttpHardening, OversizedHeadsAreRefused) {
  std::string manyLines;
  for (int i = 0; i < 20; ++i) manyLines += "X-Filler-" + std::to_string(i) + ": " + std::string(500, 'a') + "\r\n";
  struct Case {
    const char* what;
    std::string request;
    int status;
  };
  const std::vector<Case> cases = {
      {"headers over the 8 KiB default", PostRequest(kModulePath, SaveBody(), manyLines), 431},
      {"one header line over 8 KiB",
       PostRequest(kModulePath, SaveBody(), "X-Big: " + std::string(9000, 'b') + "\r\n"), 400},
      {"request target over 8 KiB", "GET /rpc/" + std::string(9000, 'c') + " HTTP/1.1\r\nHost: x\r\n\r\n", 414},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto raw = Connect();
    raw->Send(c.request);
    EXPECT_EQ(StatusOf(raw->ReadResponse()), c.status);
  }
  ExpectStillServing();
  ExpectNothingWritten();
}

TEST_F(HttpHardening, BinaryGarbageInsteadOfARequestIsRefused) {
  for (unsigned seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    auto raw = Connect();
    raw->Send(Garbage(3000, seed) + "\r\n\r\n");
    EXPECT_EQ(StatusOf(raw->ReadResponse()), 400);
  }
  auto nul = Connect();
  nul->Send(std::string("POST /rpc/\0Ksl HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n", 52));
  const int status = StatusOf(nul->ReadResponse());
  EXPECT_TRUE(status == 400 || status == 404) << status;
  ExpectStillServing();
  ExpectNothingWritten();
}

TEST_F(HttpHardening, HealthReportsWhetherTheStoreAnswers) {
  auto healthy = client_->Http().Get("/healthz");
  ASSERT_TRUE(healthy);
  EXPECT_EQ(healthy->status, 200);
  EXPECT_EQ(healthy->body, "ok\n");

  db_->Query("DROP TABLE schema_migrations");
  auto broken = client_->Http().Get("/healthz");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->status, 503);
}

// "name{labels} value" lines of a Prometheus text answer.
std::map<std::string, double> Samples(const std::string& text) {
  std::map<std::string, double> samples;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const auto space = line.rfind(' ');
    samples[line.substr(0, space)] = std::stod(line.substr(space + 1));
  }
  return samples;
}

TEST_F(HttpHardening, MetricsCountCallsErrorsAndLatencyPerMethod) {
  // One kept-alive connection: each request is read only after the answer
  // before it was logged and counted.
  auto& http = client_->Http();
  for (int i = 0; i < 2; ++i) client_->Envelope("getFilial", {});
  EXPECT_EQ(client_->Envelope("getVerifPar", {"9999", "999"})["code"], "CAIXA_N");
  client_->Call("dropTables", {});
  ASSERT_TRUE(http.Post(kModulePath, "{not json", "application/json"));
  ASSERT_EQ(http.Get("/nowhere")->status, 404);

  auto answer = http.Get("/metrics");
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->status, 200);
  EXPECT_EQ(answer->get_header_value("Content-Type").rfind("text/plain", 0), 0u);
  const auto samples = Samples(answer->body);
  const std::vector<std::pair<std::string, double>> expected = {
      {R"(totem_rpc_calls_total{method="getFilial",outcome="ok"})", 2},
      {R"(totem_rpc_calls_total{method="getFilial",outcome="refused"})", 0},
      {R"(totem_rpc_calls_total{method="getVerifPar",outcome="refused"})", 1},
      {R"(totem_rpc_errors_total{method="getVerifPar",code="CAIXA_N"})", 1},
      {R"(totem_rpc_calls_total{method="setUpdParametros",outcome="ok"})", 0},
      {R"(totem_rpc_calls_total{method="unknown",outcome="fault"})", 2},
      {R"(totem_rpc_errors_total{method="unknown",code="-32601"})", 1},
      {R"(totem_rpc_errors_total{method="unknown",code="-32700"})", 1},
      {R"(totem_rpc_duration_seconds_count{method="getFilial"})", 2},
      {R"(totem_rpc_duration_seconds_bucket{method="getFilial",le="+Inf"})", 2},
      {R"(totem_http_rejected_total{status="404"})", 1},
  };
  for (const auto& [name, value] : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(samples.count(name)) << answer->body;
    EXPECT_EQ(samples.at(name), value);
  }
  // Buckets are cumulative: a bound at least as large as a call's time
  // counts it, so the largest finite bound (10 s) holds every call.
  EXPECT_EQ(samples.at(R"(totem_rpc_duration_seconds_bucket{method="getFilial",le="10"})"), 2);
  EXPECT_LE(samples.at(R"(totem_rpc_duration_seconds_bucket{method="getFilial",le="0.0005"})"),
            samples.at(R"(totem_rpc_duration_seconds_bucket{method="getFilial",le="0.5"})"));
}

// Tokens of the fixture's token file.
constexpr const char* kLojaToken = "loja1-9f8e7d6c5b4a3210";
constexpr const char* kMonitorToken = "Zq1Xw2Ce3Vr4Bt5Ny6Mu7";

class TokenHardening : public HttpHardening {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("tokens"), std::string("# quem pode chamar\nloja1 ") + kLojaToken + "\n\nmonitor:" +
                                       kMonitorToken + "\n");
    StartServer({"--token-file", dir_.File("tokens")});
    before_ = Stored();
  }
};

TEST_F(TokenHardening, EveryPathButHealthNeedsOneOfTheTokens) {
  struct Case {
    const char* what;
    std::string method;
    std::string path;
    std::optional<std::string> authorization;
    int status;
  };
  const std::string token = kLojaToken;
  const std::vector<Case> cases = {
      {"save without a header", "POST", kModulePath, std::nullopt, 401},
      {"save with a wrong token", "POST", kModulePath, "Bearer " + token.substr(0, token.size() - 1) + "X", 401},
      {"save with a token's prefix", "POST", kModulePath, "Bearer " + token.substr(0, 16), 401},
      {"save with a token and more", "POST", kModulePath, "Bearer " + token + "0", 401},
      {"save with the token's name", "POST", kModulePath, "Bearer loja1", 401},
      {"save with another scheme", "POST", kModulePath, "Basic " + token, 401},
      {"save with an empty bearer", "POST", kModulePath, "Bearer ", 401},
      {"save with the token alone", "POST", kModulePath, token, 401},
      {"module description without a token", "GET", kModulePath, std::nullopt, 401},
      {"unknown path without a token", "GET", "/rpc/Outro", std::nullopt, 401},
      {"metrics without a token", "GET", "/metrics", std::nullopt, 401},
      {"health without a token", "GET", "/healthz", std::nullopt, 200},
      {"unknown path with a token", "GET", "/rpc/Outro", "Bearer " + token, 404},
      {"metrics with a token", "GET", "/metrics", "Bearer " + std::string(kMonitorToken), 200},
      {"module description, lower-case scheme", "GET", kModulePath, "bearer " + token, 200},
      {"call with the second token", "POST", kModulePath, "Bearer " + std::string(kMonitorToken), 200},
  };
  const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string extra = c.authorization ? "Authorization: " + *c.authorization + "\r\n" : "";
    auto raw = Connect();
    if (c.method == "POST") {
      const bool refused = c.status == 401;
      raw->Send(PostRequest(c.path, refused ? SaveBody() : call, extra));
    } else {
      raw->Send("GET " + c.path + " HTTP/1.1\r\nHost: x\r\n" + extra + "\r\n");
    }
    std::string answer = raw->ReadResponse();
    EXPECT_EQ(StatusOf(answer), c.status) << answer;
    if (c.status == 401) {
      EXPECT_NE(answer.find("WWW-Authenticate: Bearer"), std::string::npos) << answer;
    }
  }
  ExpectNothingWritten();
}

TEST_F(TokenHardening, AWrongTokenIsRefusedBeforeTheBodyIsSent) {
  auto raw = Connect();
  raw->Send("POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\n"
            "Content-Type: application/json\r\nContent-Length: 600\r\n"
            "Authorization: Bearer " + std::string(kMonitorToken) + "x\r\n\r\n");
  std::string answer = raw->ReadUntilClosed();
  EXPECT_EQ(StatusOf(answer), 401) << answer;
  EXPECT_EQ(answer.find("<still open>"), std::string::npos) << "connection left open";
  ExpectNothingWritten();
}

TEST(TokenFile, ProblemsStopTheServerAtStartWithoutShowingTheToken) {
  TempDir dir;
  const std::string secret = "s3gr3do-que-nao-aparece";
  struct Case {
    const char* what;
    std::optional<std::string> content;  // none: the file does not exist
    std::string message;                 // part of what the server says
  };
  const std::vector<Case> cases = {
      {"a token without a name", secret + "\n", "tokens:1: esperado NOME TOKEN"},
      {"the single-token format of old", "\n" + secret + "\n", "tokens:2:"},
      {"a short token", "loja1 curto\n", "tokens:1: o token loja1 é curto demais"},
      {"a name used twice", "loja1 " + secret + "\nloja1:" + secret + "x\n", "tokens:2: o nome loja1 já foi usado na linha 1"},
      {"a token given twice", "loja1 " + secret + "\nloja2 " + secret + "\n", "tokens:2: o token de loja2 é o mesmo da linha 1"},
      {"a name with a slash", "lo/ja " + secret + "\n", "tokens:1: nome de token inválido"},
      {"a name without a token", "loja1:\n", "tokens:1: o token loja1 está vazio"},
      {"only comments", "# ninguém\n\n", "não tem nenhum token"},
      {"no file", std::nullopt, "não foi possível ler o arquivo de tokens"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.File("tokens");
    std::filesystem::remove(file);
    if (c.content) WriteFile(file, *c.content);
    std::string output;
    const int code = ServerProcess::RunTool(
        {"--db", "sqlite:" + dir.File("t.db"), "--listen", "127.0.0.1:0", "--token-file", file}, &output);
    EXPECT_EQ(code, 1) << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_EQ(output.find(secret), std::string::npos) << output;
    EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
  }
}

TEST(TokenFile, WithoutOneTheServerRefusesToListenBeyondLoopback) {
  TempDir dir;
  for (const std::string address : {"0.0.0.0:0", "[::]:0", "192.0.2.1:0"}) {
    SCOPED_TRACE(address);
    std::string output;
    const int code = ServerProcess::RunTool({"--db", "sqlite:" + dir.File("t.db"), "--listen", address}, &output);
    EXPECT_EQ(code, 2) << output;
    EXPECT_NE(output.find("--token-file"), std::string::npos) << output;
    EXPECT_NE(output.find("--insecure-listen-any"), std::string::npos) << output;
  }
}

}  // namespace
}  // namespace totem::test
