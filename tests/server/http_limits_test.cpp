// The limits the server applies while it reads a request: sizes, deadlines,
// requests per connection; memory that stays bounded whatever a client sends;
// slow, idle and pipelining clients.
#include "tests/server/hardening_fixture.h"
#include "tests/support/remote_client.h"

#include <sys/socket.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace totem::test {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

// A line of /proc/PID/status in KiB: "VmRSS" now, "VmHWM" the peak.
long MemoryKib(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  return -1;
}

// Sets a process's peak memory back to what it uses now.
void ResetPeakMemory(pid_t pid) {
  std::ofstream("/proc/" + std::to_string(pid) + "/clear_refs") << "5";
}

TEST_F(HttpHardening, BodyOverTheLimitIsRefusedBeforeItIsSent) {
  // Only the head goes out: the refusal must not wait for the body.
  auto raw = Connect();
  raw->Send(
      "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\n"
      "Content-Type: application/json\r\nContent-Length: 262145\r\n\r\n");
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

TEST_F(HttpHardening, OneConnectionServesAThousandCalls) {
  // httplib closes a keep-alive connection after 5 requests unless told otherwise.
  auto raw = Connect();
  const std::string filial =
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  const std::string carrega = PostRequest(
      kModulePath, R"({"jsonrpc":"2.0","id":2,"method":"getCarregaPar","params":["0001","001"]})");
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
  const std::string call =
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
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
        PostRequest(kModulePath, SaveBody()).substr(0, 200),
        PostRequest(kModulePath, SaveBody())}) {
    auto raw = Connect();
    raw->Send(half.substr(0, half.size() - 3));
    raw->Close();
  }
  ExpectStillServing();
  ExpectNothingWritten();
}

// A request that runs out of time is dropped without an answer: the
// client may still be sending it.
TEST_F(HttpHardening, ABodyCutShortIsDroppedAtTheBodyDeadlineWithNothingWritten) {
  StartServer({"--body-timeout", "1"});
  const std::string request = PostRequest(kModulePath, SaveBody());
  auto raw = Connect();
  raw->Send(request.substr(0, request.size() - 20));
  EXPECT_EQ(raw->ReadUntilClosed(), "") << "dropped, unanswered";
  ExpectStillServing();
  ExpectNothingWritten();
}

TEST_F(HttpHardening, AStalledClientDoesNotBlockOthers) {
  auto stalled = Connect();
  auto request =
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  stalled->Send(request.substr(0, request.size() - 10));
  ExpectStillServing();
  // The stalled client finishing late is still answered.
  stalled->Send(request.substr(request.size() - 10));
  EXPECT_EQ(StatusOf(stalled->ReadResponse()), 200);
}

TEST_F(HttpHardening, OversizedHeadsAreRefused) {
  std::string manyLines;
  for (int i = 0; i < 20; ++i)
    manyLines += "X-Filler-" + std::to_string(i) + ": " + std::string(500, 'a') + "\r\n";
  std::string tinyFields;
  for (int i = 0; i < 150; ++i) tinyFields += "a:\r\n";
  struct Case {
    const char* what;
    std::string request;
    int status;
    std::vector<std::string> options = {};  // the server restarts with these; last in the table
  };
  const std::vector<Case> cases = {
      {"headers over the 8 KiB default", PostRequest(kModulePath, SaveBody(), manyLines), 431},
      {"one header line over 8 KiB",
       PostRequest(kModulePath, SaveBody(), "X-Big: " + std::string(9000, 'b') + "\r\n"), 431},
      {"more header fields than a head may have", PostRequest(kModulePath, SaveBody(), tinyFields),
       431},
      {"request target over 8 KiB",
       "GET /rpc/" + std::string(9000, 'c') + " HTTP/1.1\r\nHost: x\r\n\r\n", 414},
      {"a 3 KiB head under --max-header 2048",
       PostRequest(kModulePath, SaveBody(), "X-Filler: " + std::string(3000, 'd') + "\r\n"),
       431,
       {"--max-header", "2048"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.options.empty()) StartServer(c.options);
    auto raw = Connect();
    raw->Send(c.request);
    std::string answer = raw->ReadResponse();
    EXPECT_EQ(StatusOf(answer), c.status);
    EXPECT_NE(answer.find("Connection: close"), std::string::npos) << answer;
  }
  ExpectStillServing();
  ExpectNothingWritten();
}

TEST_F(HttpHardening, PipelinedRequestsAreAnsweredInOrder) {
  auto raw = Connect();
  raw->Send(
      PostRequest(kModulePath,
                  R"({"jsonrpc":"2.0","id":1,"method":"getVerifPar","params":["0001","001"]})") +
      PostRequest(kModulePath,
                  R"({"jsonrpc":"2.0","id":2,"method":"getVerifPar","params":["9999","999"]})") +
      "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n");
  const std::string first = raw->ReadResponse(), second = raw->ReadResponse(),
                    third = raw->ReadResponse();
  ASSERT_EQ(StatusOf(first), 200) << first;
  ASSERT_EQ(StatusOf(second), 200) << second;
  EXPECT_EQ(json::parse(BodyOf(first))["id"], 1);
  EXPECT_EQ(json::parse(BodyOf(first))["result"]["envelope"]["status"], "ok");
  EXPECT_EQ(json::parse(BodyOf(second))["id"], 2);
  EXPECT_EQ(json::parse(BodyOf(second))["result"]["envelope"]["code"], "CAIXA_N");
  EXPECT_EQ(BodyOf(third), "ok\n");
}

// The head limit holds while the head is read: the server keeps no more of
// it than the limit, however much the client sends.
TEST_F(HttpHardening, A64MegabyteHeadIsRefusedWithoutGrowingTheServer) {
  constexpr long kAllowedGrowthKib = 32 * 1024;
  const long before = MemoryKib(server_->Pid(), "VmRSS");
  ResetPeakMemory(server_->Pid());
  auto raw = Connect();
  std::thread sender([&raw] {
    const std::string chunk(1 << 20, 'a');
    try {
      raw->Send(std::string("POST ") + kModulePath + " HTTP/1.1\r\nHost: x\r\nX-Big: ");
      for (int i = 0; i < 64; ++i) raw->Send(chunk);
    } catch (const std::runtime_error&) {
      // The server closed the connection after its answer.
    }
  });
  const std::string answer = raw->ReadResponse();
  sender.join();
  EXPECT_EQ(StatusOf(answer), 431) << answer;
  EXPECT_LT(MemoryKib(server_->Pid(), "VmHWM") - before, kAllowedGrowthKib);
  ExpectStillServing();
}

// Clients that trickle a head or sit idle take no worker and no turn: a
// normal call is answered at once beside them, and the trickling ones are
// dropped at the head deadline while the idle ones stay.
TEST_F(HttpHardening, SlowAndIdleClientsDoNotDelayANormalCall) {
  StartServer({"--head-timeout", "1"});
  std::vector<std::unique_ptr<RawConnection>> slow, idle;
  for (int i = 0; i < 100; ++i) {
    slow.push_back(Connect());
    idle.push_back(Connect());
  }
  const std::string head = std::string("POST ") + kModulePath + " HTTP/1.1\r\nHost: x\r\n";
  for (std::size_t round = 0; round < 6; ++round) {
    for (auto& s : slow) s->TrySend(head.substr(round, 1));
    const auto start = Clock::now();
    EXPECT_EQ(client_->Envelope("getCarregaPar", {"0001", "001"})["status"], "ok")
        << "round " << round;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "round " << round;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  for (auto& s : slow) EXPECT_EQ(s->ReadUntilClosed(), "") << "a head past its deadline is dropped";
  idle.front()->Send(
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})"));
  EXPECT_EQ(StatusOf(idle.front()->ReadResponse()), 200) << "an idle connection is still served";
}

// At the cap on open connections a new one makes room by closing the
// oldest idle one; an idle connection is closed at the keep-alive time.
TEST_F(HttpHardening, TheCapOnConnectionsClosesTheOldestIdleOneAndIdleOnesTimeOut) {
  StartServer({"--max-connections", "3", "--keep-alive-timeout", "2"});
  const std::string call =
      PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})");
  std::vector<std::unique_ptr<RawConnection>> open;
  for (int i = 0; i < 4; ++i) {
    open.push_back(Connect());
    open.back()->Send(call);
    ASSERT_EQ(StatusOf(open.back()->ReadResponse()), 200) << "connection " << i;
  }
  EXPECT_EQ(open[0]->ReadUntilClosed(), "") << "the oldest idle one made room";
  open[1]->Send(call);
  EXPECT_EQ(StatusOf(open[1]->ReadResponse()), 200) << "a younger one is still served";
  const auto start = Clock::now();
  EXPECT_EQ(open[2]->ReadUntilClosed(), "") << "closed once idle for 2 s";
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(500));
}

// The back office's kept-alive connection closed by the server to make
// room: its next call goes out on a fresh connection, without an error.
TEST_F(HttpHardening, TheBackOfficeCallsOnAFreshConnectionWhenItsIdleOneWasClosed) {
  StartServer({"--max-connections", "2"});
  RemoteClient office(server_->Host(), server_->Port());
  office.connection.Open();
  // The second connection fits; the third closes the oldest idle one, the
  // back office's.
  std::vector<std::unique_ptr<RawConnection>> others;
  for (int i = 0; i < 2; ++i) {
    others.push_back(Connect());
    others.back()->Send(
        PostRequest(kModulePath, R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})"));
    ASSERT_EQ(StatusOf(others.back()->ReadResponse()), 200) << "connection " << i;
  }
  EXPECT_NO_THROW(EXPECT_TRUE(office.SaveNumbered("0001", "001", 7).ok));
}

}  // namespace
}  // namespace totem::test
