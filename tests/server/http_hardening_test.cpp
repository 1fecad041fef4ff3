// Bad input at the HTTP and JSON-RPC level never crashes the server, writes
// anything, or leaves it unable to answer the next client; limits hold while
// requests are read; the server refuses at start a database it cannot trust.
#include "tests/server/hardening_fixture.h"

#include <map>
#include <random>
#include <sstream>

namespace totem::test {
namespace {

using nlohmann::json;

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
  std::string batchOverCap = save("Lote grande demais");
  for (int i = 0; i < 10; ++i) batchOverCap += "," + save("Lote grande demais");
  const std::vector<Case> cases = {
      {"not JSON", "{\"jsonrpc\":\"2.0\",", -32700},
      {"binary garbage", Garbage(2000, 7), -32700},
      {"deeply nested and never closed", deep, -32700},
      {"deeply nested params",
       R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",)" + deep + deepEnd +
           "]}",
       -32602},
      {"save with invalid UTF-8 in a message", save("Ol\xC3\x28"), -32700},
      {"save with an overlong encoding", save("\xC0\xAF"), -32700},
      {"save with a surrogate's bytes", save("\xED\xA0\x80"), -32700},
      {"save with a cut multi-byte character", save("Ol\xC3"), -32700},
      {"invalid UTF-8",
       "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"getFilial\",\"params\":[\"\xC3\x28\"]}", -32700},
      {"lone surrogate escape",
       R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":["\udc00"]})", -32700},
      {"a number", "7", -32600},
      {"a key given twice", R"({"jsonrpc":"2.0","id":1,"id":2,"method":"getFilial","params":[]})",
       -32600},
      {"a key given twice deep inside",
       R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[],"x":[{"a":1,"b":{"c":1,"c":1}}]})",
       -32600},
      {"bytes after the request", R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]} {})",
       -32700},
      {"two saves joined by a NUL byte",
       save("Antes do NUL") + std::string(1, '\0') + save("Depois do NUL"), -32700},
      {"a NUL byte after the request", save("Antes do NUL") + std::string(1, '\0'), -32700},
      {"an empty batch", "[]", -32600},
      {"a batch over the cap", "[" + batchOverCap + "]", -32600},
      {"no method", R"({"jsonrpc":"2.0","id":1,"params":[]})", -32600},
      {"wrong version", R"({"jsonrpc":"1.0","id":1,"method":"getFilial","params":[]})", -32600},
      {"unknown method", R"({"jsonrpc":"2.0","id":1,"method":"dropTables","params":[]})", -32601},
      {"too few params", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001"]})",
       -32602},
      {"too many params", R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":["x"]})",
       -32602},
      {"twelve save params",
       R"({"jsonrpc":"2.0","id":1,"method":"setUpdParametros","params":["0001","001","1","","S","","","","","","S","S"]})",
       -32602},
      {"number param", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",1]})",
       -32602},
      {"null param", R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",null]})",
       -32602},
      {"params object",
       R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":{"a":"0001"}})", -32602},
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

// A notification runs and is not answered; a batch is answered with the
// answers of its requests, in their order.
TEST_F(HttpHardening, BatchesAndNotificationsFollowTheStandard) {
  struct Case {
    const char* what;
    std::string body;
    std::vector<json> ids;   // of the answers, in order; none: 204 without a body
    std::vector<int> codes;  // 0 for a result
  };
  const std::string verif =
      R"({"jsonrpc":"2.0","id":1,"method":"getVerifPar","params":["0001","001"]})";
  const std::string unknownCaixa =
      R"({"jsonrpc":"2.0","id":3,"method":"getVerifPar","params":["9999","999"]})";
  const std::string notification = R"({"jsonrpc":"2.0","method":"getFilial","params":[]})";
  const std::string unknown = R"({"jsonrpc":"2.0","id":"b","method":"dropTables"})";
  const std::vector<Case> cases = {
      {"each request in order, notifications left out",
       "[" + verif + "," + notification + "," + unknown + "," + unknownCaixa + "]",
       {1, "b", 3},
       {0, -32601, 0}},
      {"non-requests each get an error", "[1,[2]]", {nullptr, nullptr}, {-32600, -32600}},
      {"deeply nested arrays are one non-request",
       std::string(20000, '[') + std::string(20000, ']'),
       {nullptr},
       {-32600}},
      {"notifications only", "[" + notification + "," + notification + "]", {}, {}},
      {"a notification", notification, {}, {}},
      {"a notification of an unknown method", R"({"jsonrpc":"2.0","method":"dropTables"})", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto result = client_->Http().Post(kModulePath, c.body, "application/json");
    ASSERT_TRUE(result);
    if (c.ids.empty()) {
      EXPECT_EQ(result->status, 204);
      EXPECT_EQ(result->body, "");
      EXPECT_FALSE(result->has_header("Content-Length"));
      EXPECT_EQ(result->get_header_value("Connection"), "close")
          << "clients that leave a 204 unread reconnect";
      continue;
    }
    ASSERT_EQ(result->status, 200);
    auto answers = json::parse(result->body);
    ASSERT_TRUE(answers.is_array()) << result->body;
    ASSERT_EQ(answers.size(), c.ids.size()) << result->body;
    for (std::size_t i = 0; i < answers.size(); ++i) {
      EXPECT_EQ(answers[i]["id"], c.ids[i]);
      EXPECT_EQ(answers[i].contains("error") ? answers[i]["error"]["code"].get<int>() : 0,
                c.codes[i]);
    }
  }
  ExpectNothingWritten();

  // Ids come back as they were written, numbers too: read as doubles,
  // these would come back as 1.2345678901234568e+29, 1.5 and 100.0.
  for (const std::string id : {"123456789012345678901234567890", "1.50", "1E2", "-7", "\"7\""}) {
    SCOPED_TRACE(id);
    for (const std::string method : {"getFilial", "dropTables"}) {
      const std::string call =
          R"({"jsonrpc":"2.0","id":)" + id + R"(,"method":")" + method + R"(","params":[]})";
      auto single = client_->Http().Post(kModulePath, call, "application/json");
      ASSERT_TRUE(single);
      EXPECT_NE(single->body.find("\"id\":" + id + ","), std::string::npos) << single->body;
      auto batch =
          client_->Http().Post(kModulePath, "[" + verif + "," + call + "]", "application/json");
      ASSERT_TRUE(batch);
      EXPECT_NE(batch->body.find("\"id\":" + id + ","), std::string::npos) << batch->body;
    }
  }

  // A save sent as a notification is saved, with its history row.
  auto save = json::parse(SaveBody("Gravado sem resposta"));
  save.erase("id");
  auto result = client_->Http().Post(kModulePath, save.dump(), "application/json");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 204);
  EXPECT_EQ(client_->Rows("getCarregaPar", {"0001", "001"})[0][7], "Gravado sem resposta");
  EXPECT_EQ(std::stoi(Stored().back().at(0)), std::stoi(before_.back().at(0)) + 1);
}

TEST_F(HttpHardening, ModuleDescriptionListsItsMethods) {
  auto result = client_->Http().Get(kModulePath);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->status, 200);
  EXPECT_EQ(json::parse(result->body), json::parse(R"({"server":"Ksl80500.rdmParametrosToten",
      "methods":["getFilial","getConfCaixa","getPesqGrupProd","getCarregaPar","getVerifPar",
                 "setUpdParametros","getHistParametros","getCopiaPrevia","setCopiaParametros",
                 "getRestauraPrevia","setRestauraParametros","getDesfazCopiaPrevia",
                 "setDesfazCopia"]})"));
}

TEST_F(HttpHardening, UnknownServerNameAnswers404) {
  for (const std::string path :
       {"/rpc/Ksl80500.rdmOutro", "/rpc/", "/", "/rpc/Ksl80500.rdmParametrosToten/x"}) {
    SCOPED_TRACE(path);
    auto get = client_->Http().Get(path);
    ASSERT_TRUE(get);
    EXPECT_EQ(get->status, 404);
    auto post = client_->Http().Post(
        path, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})", "application/json");
    ASSERT_TRUE(post);
    EXPECT_EQ(post->status, 404);
  }
  ExpectStillServing();
}

// Framing that leaves in doubt where a request ends or which of two values
// counts is refused, and the connection closed; a request that is only of
// a kind the server does not take keeps its connection when nothing of it
// is left unread.
TEST_F(HttpHardening, StrictParsingRefusesDoubtfulFramingAndClosesTheConnection) {
  struct Case {
    const char* what;
    std::string
        head;  // a call's request line and headers, without Content-Length and the blank line
    std::string length;  // the Content-Length lines
    int status;
    bool closes;
  };
  const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  const std::string line = std::string("POST ") + kModulePath + " HTTP/1.1\r\n";
  const std::string host = "Host: x\r\n";
  const std::string json = "Content-Type: application/json\r\n";
  const std::string length = "Content-Length: " + std::to_string(call.size()) + "\r\n";
  const std::vector<Case> cases = {
      {"media type with a charset",
       line + host + "Content-Type: application/json; charset=\"UTF-8\"\r\n", length, 200, false},
      {"media type in capitals", line + host + "Content-Type: Application/JSON\r\n", length, 200,
       false},
      {"media type of JSON-RPC", line + host + "Content-Type: application/json-rpc\r\n", length,
       200, false},
      {"media type of JSON requests with a charset",
       line + host + "Content-Type: application/jsonrequest; charset=utf-8\r\n", length, 200,
       false},
      {"media type of JSON-RPC with another charset",
       line + host + "Content-Type: application/json-rpc; charset=latin1\r\n", length, 415, true},
      {"media type with a suffix", line + host + "Content-Type: application/jsonx\r\n", length, 415,
       true},
      {"media type with another charset",
       line + host + "Content-Type: application/json; charset=latin1\r\n", length, 415, true},
      {"two content types", line + host + json + json, length, 400, true},
      {"two equal lengths", line + host + json, length + length, 400, true},
      {"a list of lengths", line + host + json,
       "Content-Length: " + std::to_string(call.size()) + ", " + std::to_string(call.size()) +
           "\r\n",
       400, true},
      {"length not a number", line + host + json, "Content-Length: 1e3\r\n", 400, true},
      {"two different lengths", line + host + json, "Content-Length: 2\r\nContent-Length: 3\r\n",
       400, true},
      {"chunked", line + host + json + "Transfer-Encoding: chunked\r\n", "", 411, true},
      {"no length", line + host + json, "", 411, true},
      {"a NUL in a header value", line + host + json + std::string("X-A: a\0b\r\n", 10), length,
       400, true},
      {"a header line without a colon", line + host + json + "X-A\r\n", length, 400, true},
      {"a header name with a space", line + host + json + "X A: b\r\n", length, 400, true},
      {"a line ending without CR", line + host + json + "X-A: b\n", length, 400, true},
      {"a header line folded onto the next", line + host + json + "X-A: a\r\n b\r\n", length, 400,
       true},
      {"a header whose value starts on a folded line", line + host + json + "X-A:\r\n\tb\r\n",
       length, 400, true},
      {"a folded Content-Length", line + host + json,
       "Content-Length:\r\n " + std::to_string(call.size()) + "\r\n", 400, true},
      {"no Host", line + json, length, 400, true},
      {"two Hosts", line + host + host + json, length, 400, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto raw = Connect();
    raw->Send(c.head + c.length + "\r\n" + call);
    std::string answer = raw->ReadResponse();
    EXPECT_EQ(StatusOf(answer), c.status) << answer;
    if (c.closes) {
      EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer;
      EXPECT_EQ(raw->ReadUntilClosed().find("<still open>"), std::string::npos)
          << "connection left open";
    } else {
      raw->Send(PostRequest(kModulePath, call));
      EXPECT_EQ(StatusOf(raw->ReadResponse()), 200) << "the connection serves the next request";
    }
  }
  ExpectStillServing();
}

TEST_F(HttpHardening, OtherContentTypesAndMethodsAreRefused) {
  auto text = client_->Http().Post(
      kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})", "text/plain");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->status, 415);
  auto put = client_->Http().Put(kModulePath, "{}", "application/json");
  ASSERT_TRUE(put);
  EXPECT_EQ(put->status, 405);
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
  ASSERT_EQ(http.Get("/kiosk/v1/parametros/0001/001")->status, 200);
  // On a connection of its own: the client library reads a 304 without a
  // length until the connection closes.
  httplib::Client once(server_->Host(), server_->Port());
  ASSERT_EQ(once.Get("/kiosk/v1/parametros/0001/001", httplib::Headers{{"If-None-Match", "\"0\""}})
                ->status,
            304);

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
      {R"(totem_kiosk_answers_total{status="200"})", 1},
      {R"(totem_kiosk_answers_total{status="304"})", 1},
      {"totem_kiosk_waiting", 0},
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

}  // namespace
}  // namespace totem::test
