#include "platform/socket_connection.h"
#include "platform/errors.h"
#include "tests/support/server_process.h"
#include "tests/support/stub_rpc_server.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <chrono>
#include <fstream>

using namespace totem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kModule = "Ksl80500.rdmParametrosToten";

// A loopback socket that listens but never answers: connecting succeeds
// (the kernel completes the handshake), the answer never comes.
class SilentListener {
 public:
  SilentListener() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << "bind";
    EXPECT_EQ(listen(fd_, 8), 0) << "listen";
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~SilentListener() { close(fd_); }
  int Port() const { return port_; }
  void Close() {
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class SocketConnectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    server_ = new test::ServerProcess({dir_->File("conn.db"), true, {}});
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  void Aim(SocketConnection& c) {
    c.SetServerName(kModule);
    c.SetBeforeConnect([&c] {
      c.SetHost(server_->Host());
      c.SetPort(server_->Port());
    });
  }
  static test::TempDir* dir_;
  static test::ServerProcess* server_;
};
test::TempDir* SocketConnectionTest::dir_ = nullptr;
test::ServerProcess* SocketConnectionTest::server_ = nullptr;

}  // namespace

TEST_F(SocketConnectionTest, BeforeConnectRunsOnEveryOpeningBeforeHostIsRead) {
  SocketConnection c;
  c.SetServerName(kModule);
  int openings = 0;
  c.SetBeforeConnect([&] {
    ++openings;
    c.SetHost(server_->Host());
    c.SetPort(server_->Port());
  });
  c.Open();
  EXPECT_TRUE(c.Connected());
  c.Close();
  EXPECT_FALSE(c.Connected());
  c.Open();
  EXPECT_EQ(openings, 2);
}

TEST_F(SocketConnectionTest, CallOpensAClosedConnection) {
  SocketConnection c;
  Aim(c);
  auto envelope = c.Call("getFilial", {});
  EXPECT_TRUE(c.Connected());
  EXPECT_TRUE(envelope.ok);
  ASSERT_TRUE(envelope.packet);
  EXPECT_FALSE(envelope.packet->rows.empty());
  EXPECT_EQ(c.CallCount(), 1);
}

// A caller that stops waiting: the call raises, the connection closes and
// the next call opens a fresh one; the exchange left behind owns what it
// uses, so it may end after the connection is gone.
TEST_F(SocketConnectionTest, AnAbandonedCallClosesTheConnectionAndEndsOnItsOwn) {
  std::function<void()> late;
  {
    SocketConnection c;
    Aim(c);
    c.Open();
    c.SetExchangeRunner([&](const std::function<void()>& exchange) {
      late = exchange;
      throw CallAbandoned("desistiu");
    });
    EXPECT_THROW(c.Call("getFilial", {}), CallAbandoned);
    EXPECT_FALSE(c.Connected());
    c.SetExchangeRunner([](const std::function<void()>& exchange) { exchange(); });
    EXPECT_TRUE(c.Call("getFilial", {}).ok);
  }
  late();
}

TEST(SocketConnectionByReference, ArgumentsReceiveWhatTheServerReturned) {
  // Our server sends every argument back as it came; this one changes them,
  // so only a client that copies by-reference arguments back passes. Its
  // answers come with a length, then in chunks as a proxy may send them.
  for (const bool chunked : {false, true}) {
    SCOPED_TRACE(chunked ? "chunked" : "with a length");
    test::StubRpcServer stub(
        [](const std::string&, std::vector<std::string>& params) {
          for (auto& p : params) p = "<" + p + ">";
          return ResultEnvelope::Success();
        },
        chunked);
    SocketConnection c;
    c.SetHost("127.0.0.1");
    c.SetPort(stub.Port());
    c.SetServerName(kModule);
    std::string filial = "0001", message = "Olá";
    auto result = c.Call("setUpdParametros", {CallArg::ByValue(filial), CallArg::ByRef(message)});
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(message, "<Olá>");
    EXPECT_EQ(filial, "0001");  // by value: left alone
  }
}

TEST_F(SocketConnectionTest, ErrorEnvelopeIsReturnedUntouched) {
  SocketConnection c;
  Aim(c);
  auto envelope = c.Call("getVerifPar", {CallArg::ByValue("9999"), CallArg::ByValue("999")});
  EXPECT_FALSE(envelope.ok);
  EXPECT_EQ(envelope.code, "CAIXA_N");
  EXPECT_EQ(envelope.message, "Caixa não cadastrado.");
}

TEST_F(SocketConnectionTest, ProtocolFaultsRaiseRemoteCallError) {
  SocketConnection c;
  Aim(c);
  try {
    c.Call("getNada", {});
    FAIL() << "no exception";
  } catch (const RemoteCallError& e) {
    EXPECT_EQ(e.Code(), -32601);
  }
  EXPECT_THROW(c.Call("getCarregaPar", {CallArg::ByValue("0001")}), RemoteCallError);
}

TEST_F(SocketConnectionTest, UnknownModuleFailsToOpen) {
  SocketConnection c;
  c.SetServerName("Ksl99999.rdmNada");
  c.SetHost(server_->Host());
  c.SetPort(server_->Port());
  try {
    c.Open();
    FAIL() << "no exception";
  } catch (const ConnectionError& e) {
    EXPECT_NE(std::string(e.what()).find("Ksl99999.rdmNada"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(c.Connected());
}

TEST(SocketConnectionFailures, RefusedConnectionGivesAReadableMessage) {
  SilentListener closed;
  const int port = closed.Port();
  closed.Close();  // nothing listens there any more
  SocketConnection c;
  c.SetServerName(kModule);
  c.SetHost("127.0.0.1");
  c.SetPort(port);
  try {
    c.Open();
    FAIL() << "no exception";
  } catch (const ConnectionError& e) {
    EXPECT_NE(std::string(e.what()).find("Não foi possível conectar"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find(std::to_string(port)), std::string::npos);
  }
  EXPECT_FALSE(c.Connected());
}

TEST(SocketConnectionFailures, ASilentServerTimesOutInsteadOfFreezing) {
  SilentListener silent;
  SocketConnection c;
  c.SetServerName(kModule);
  c.SetHost("127.0.0.1");
  c.SetPort(silent.Port());
  c.SetTimeout(300ms);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(c.Open(), ConnectionError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

// A call the token may not make gives the server's reason, here a register
// beyond the token's reach.
TEST(SocketConnectionFailures, ATokensRefusalGivesTheServersReason) {
  test::TempDir dir;
  std::ofstream(dir.File("tokens")) << "quiosque quiosque-0001-001-a1b2c3 leitura 0001/001\n";
  test::ServerProcess server({dir.File("t.db"), true, {"--token-file", dir.File("tokens")}});
  SocketConnection c;
  c.SetServerName(kModule);
  c.SetHost(server.Host());
  c.SetPort(server.Port());
  c.SetToken("quiosque-0001-001-a1b2c3");
  try {
    c.Call("getCarregaPar", {CallArg::ByValue("0001"), CallArg::ByValue("002")});
    FAIL() << "no exception";
  } catch (const RemoteCallError& e) {
    EXPECT_EQ(e.Code(), -32003);
    EXPECT_NE(std::string(e.what()).find("O token quiosque não tem acesso ao caixa 0001/002."),
              std::string::npos);
  }
}

TEST(SocketConnectionFailures, MissingHostOrPortIsRefusedBeforeAnyTraffic) {
  SocketConnection c;
  c.SetServerName(kModule);
  EXPECT_THROW(c.Open(), ConnectionError);
  c.SetHost("127.0.0.1");
  c.SetPort(70000);
  EXPECT_THROW(c.Open(), ConnectionError);
}
