#include "platform/json_rpc.h"
#include "platform/errors.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace totem;

TEST(JsonRpcRequest, EncodedRequestParsesBack) {
  auto parsed = rpc::ParseRequest(rpc::EncodeRequest(7, "getCarregaPar", {"0001", "São"}));
  ASSERT_TRUE(std::holds_alternative<rpc::Request>(parsed));
  const auto& request = std::get<rpc::Request>(parsed);
  EXPECT_EQ(request.id, 7);
  EXPECT_EQ(request.method, "getCarregaPar");
  EXPECT_EQ(request.params, (std::vector<std::string>{"0001", "São"}));
  // Written by hand, the request is the bytes the JSON document gives.
  const std::vector<std::string> texts = {"São", "a\"b\\c", "\n\t\b\f\r\x01\x1f", ""};
  EXPECT_EQ(rpc::EncodeRequest(9, "setUpdParametros", texts),
            rpc::EncodeRequestJson(9, "setUpdParametros", nlohmann::json(texts)));
  EXPECT_THROW(rpc::EncodeRequest(9, "x", {"\xC3\x28"}), std::exception);
}

TEST(JsonRpcRequest, MalformedBodiesGetTheStandardCodes) {
  struct Case {
    std::string body;
    int code;
  } cases[] = {
      {"{not json", rpc::kParseError},
      {"", rpc::kParseError},
      {std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"x\",\"params\":[\"\xC3\x28\"]}"),
       rpc::kParseError},
      {"[1,2]", rpc::kInvalidRequest},
      {R"({"jsonrpc":"2.0","id":1})", rpc::kInvalidRequest},
      {R"({"jsonrpc":"1.0","id":1,"method":"getFilial"})", rpc::kInvalidRequest},
      {R"({"jsonrpc":"2.0","id":{},"method":"getFilial"})", rpc::kInvalidRequest},
      {R"({"jsonrpc":"2.0","id":1,"method":5})", rpc::kInvalidRequest},
      {R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":{"a":"b"}})", rpc::kInvalidParams},
      {R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",1]})",
       rpc::kInvalidParams},
      {R"({"jsonrpc":"2.0","id":1,"method":"getCarregaPar","params":["0001",null]})",
       rpc::kInvalidParams},
      {std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"getFilial\"}\0{}", 48),
       rpc::kParseError},
  };
  for (const auto& c : cases) {
    auto parsed = rpc::ParseRequest(c.body);
    ASSERT_TRUE(std::holds_alternative<rpc::Fault>(parsed)) << c.body;
    EXPECT_EQ(std::get<rpc::Fault>(parsed).code, c.code) << c.body;
  }
}

TEST(JsonRpcRequest, FaultKeepsTheRequestIdWhenReadable) {
  auto parsed = rpc::ParseRequest(R"({"jsonrpc":"2.0","id":42,"method":"x","params":[1]})");
  EXPECT_EQ(std::get<rpc::Fault>(parsed).id, 42);
  auto big = rpc::ParseRequest(
      R"({"jsonrpc":"2.0","id":123456789012345678901234567890,"method":"x","params":[1]})");
  EXPECT_NE(
      rpc::EncodeFault(std::get<rpc::Fault>(big)).find("\"id\":123456789012345678901234567890,"),
      std::string::npos);
}

TEST(JsonRpcRequest, NumericIdsAreAnsweredInTheTextTheyCameIn) {
  for (const std::string id : {"123456789012345678901234567890", "1.50", "-2e-3", "7"}) {
    SCOPED_TRACE(id);
    auto parsed = rpc::ParseRequest(R"({"jsonrpc":"2.0","id":)" + id +
                                    R"(,"method":"getFilial","params":[]})");
    const auto& request = std::get<rpc::Request>(parsed);
    EXPECT_EQ(rpc::EncodeResult(request, ResultEnvelope::Success()).rfind("{\"id\":" + id + ",", 0),
              0u);
  }
}

TEST(JsonRpcResponse, ResultCarriesEnvelopeAndFinalParams) {
  auto body = rpc::EncodeResult(3, ResultEnvelope::Success(), {"0001", "001", "3"});
  auto response = rpc::ParseResponse(body);
  EXPECT_FALSE(response.fault);
  EXPECT_EQ(response.id, 3);
  EXPECT_TRUE(response.envelope.ok);
  EXPECT_EQ(response.params, (std::vector<std::optional<std::string>>{"0001", "001", "3"}));
}

TEST(JsonRpcResponse, FaultIsReported) {
  auto body = rpc::EncodeFault({rpc::kMethodNotFound, "Method not found", 9});
  auto response = rpc::ParseResponse(body);
  ASSERT_TRUE(response.fault);
  EXPECT_EQ(response.fault->code, rpc::kMethodNotFound);
}

TEST(JsonRpcResponse, GarbageIsAProtocolError) {
  EXPECT_THROW(rpc::ParseResponse("<html>"), ProtocolError);
  EXPECT_THROW(rpc::ParseResponse(R"({"jsonrpc":"2.0","id":1})"), ProtocolError);
  EXPECT_THROW(rpc::ParseResponse(R"({"id":1,"result":{}})"), ProtocolError);
  EXPECT_THROW(rpc::ParseResponse(
                   R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok"},"params":{}}})"),
               ProtocolError);
  // An argument that is no text comes back as no text: a by-reference
  // argument that gets one is refused by the connection.
  const auto response = rpc::ParseResponse(
      R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok"},"params":["a",[["1","2"]]]}})");
  EXPECT_EQ(response.params, (std::vector<std::optional<std::string>>{"a", std::nullopt}));
}

TEST(JsonRpcResponse, ReadsEscapesAndRefusesDamagedText) {
  // Escapes, a surrogate pair and members we do not know are all handled.
  auto response = rpc::ParseResponse(
      R"({"jsonrpc":"2.0","id":"a","extra":{"x":[1,2,{"y":null}]},)"
      R"("result":{"envelope":{"status":"ok","packet":{"fields":[{"name":"A","type":"string","size":9}],)"
      R"("rows":[["l\u00e1 \"q\"\n\ud83d\ude00"],[null]]}},"params":[]}})");
  EXPECT_EQ(response.id, "a");
  ASSERT_TRUE(response.envelope.packet);
  EXPECT_EQ(*response.envelope.packet->rows[0][0], "lá \"q\"\n\xF0\x9F\x98\x80");
  EXPECT_FALSE(response.envelope.packet->rows[1][0]);

  const std::string damaged[] = {
      R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok","packet":null},"params":[]}} x)",
      R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok","packet":null},"params":["a)",
      std::string(
          R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok","packet":null},"params":[")") +
          "\xC3\x28" + R"("]}})",
      R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok","packet":{"fields":[{"name":"A","size":1}],"rows":[["x","y"]]}},"params":[]}})",
      R"({"jsonrpc":"2.0","id":1,"result":{"envelope":{"status":"ok","packet":{"fields":[],"rows":[]}},"params":[]},})",
      std::string(200, '[') + std::string(200, ']'),
      R"({"jsonrpc":"2.0","id":1e999,"result":{"envelope":{"status":"ok","packet":null},"params":[]}})",
  };
  for (const auto& text : damaged) EXPECT_THROW(rpc::ParseResponse(text), ProtocolError) << text;
}

TEST(JsonRpcResponse, DeepNestingIsRefusedNotOverflowed) {
  std::string deep =
      R"({"jsonrpc":"2.0","id":1,"x":)" + std::string(100000, '[') + std::string(100000, ']') + "}";
  EXPECT_THROW(rpc::ParseResponse(deep), ProtocolError);
}

// The plain reading takes only what the document's reading reads the same
// way, and leaves everything else (and every fault) to it.
TEST(JsonRpcRequest, ThePlainReadingReadsWhatTheFullOneDoesOrLeavesItToIt) {
  struct Case {
    std::string body;
    bool plain;
  } cases[] = {
      {rpc::EncodeRequest(7, "getCarregaPar", {"0001", "São"}), true},
      {R"( {"method":"getFilial","jsonrpc":"2.0","params":[],"id":"abc"} )", true},
      {R"({"jsonrpc":"2.0","id":null,"method":"x"})", true},
      {R"({"jsonrpc":"2.0","method":"x","params":["a\u00e9\ud83d\ude00\"\\"]})", true},
      {R"({"jsonrpc":"2.0","id":-9223372036854775808,"method":"x"})", true},
      {R"({"jsonrpc":"2.0","id":18446744073709551615,"method":"x"})", true},
      {R"({"jsonrpc":"2.0","id":18446744073709551616,"method":"x"})", false},
      {R"({"jsonrpc":"2.0","id":1.50,"method":"x"})", false},
      {R"({"jsonrpc":"2.0","id":1e2,"method":"x"})", false},
      {R"({"jsonrpc":"2.0","id":1,"id":2,"method":"x"})", false},
      {R"({"jsonrpc":"2.0","id":1,"method":"x","params":["a",["b"]]})", false},
      {R"({"jsonrpc":"2.0","id":1,"method":"x","extra":1})", false},
      {R"({"jsonrpc":"2.0","id":1,"method":"x"} {})", false},
      {R"({"jsonrpc":"2.0","id":1})", false},
      {R"({"jsonrpc":"2.0","id":1,"method":"x","params":["\ud800"]})", false},
      {std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"x\",\"params\":[\"a\0\"]}", 45),
       false},
      {std::string("{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"x\",\"params\":[\"\xC3\x28\"]}"),
       false},
      {"\xEF\xBB\xBF{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"x\"}", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    const auto plain = rpc::ReadPlainRequest(c.body);
    ASSERT_EQ(plain.has_value(), c.plain);
    if (!plain) continue;
    const auto body = std::get<rpc::Body>(rpc::ParseBody(c.body));
    const auto full = std::get<rpc::Request>(rpc::ReadRequest(body.value, body.IdText(0)));
    EXPECT_EQ(plain->id, full.id);
    EXPECT_EQ(plain->id.type(), full.id.type());
    EXPECT_EQ(plain->idText, full.idText);
    EXPECT_EQ(plain->notification, full.notification);
    EXPECT_EQ(plain->method, full.method);
    EXPECT_EQ(plain->params, full.params);
    EXPECT_EQ(plain->lists, full.lists);
  }
}
