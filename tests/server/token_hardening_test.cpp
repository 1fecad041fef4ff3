// A server with a token file answers nobody without one of its tokens, nor
// any token beyond the branches and registers it reaches, and refuses at
// start a token file it cannot use, without showing a token.
#include "tests/server/hardening_fixture.h"

#include <filesystem>
#include <optional>

namespace totem::test {
namespace {

// Tokens of the fixture's token file.
constexpr const char* kLojaToken = "loja1-9f8e7d6c5b4a3210";
constexpr const char* kMonitorToken = "Zq1Xw2Ce3Vr4Bt5Ny6Mu7";
// A kiosk's token that reads register 0001/001 only, and a franchisee's
// that edits branch 0002 only.
constexpr const char* kKioskToken = "quiosque-0001-001-a1b2c3d4";
constexpr const char* kFranchiseToken = "franquia-0002-e5f6a7b8c9d0";

class TokenHardening : public HttpHardening {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("tokens"), std::string("# quem pode chamar\nloja1 ") + kLojaToken +
                                       "\n\nmonitor:" + kMonitorToken + "\nquiosque " +
                                       kKioskToken + " leitura 0001/001\n" + "franquia " +
                                       kFranchiseToken + " escrita 0002\n");
    StartServer({"--token-file", dir_.File("tokens")});
    before_ = Stored();
  }
};

TEST_F(TokenHardening, EveryPathButHealthNeedsOneOfTheTokensAndOnlyWhatItReaches) {
  struct Case {
    const char* what;
    std::string method;
    std::string path;
    std::optional<std::string> authorization;
    int status;
  };
  const std::string token = kLojaToken;
  const std::string kiosk = kKioskToken;
  const std::string franchise = kFranchiseToken;
  const std::vector<Case> cases = {
      {"save without a header", "POST", kModulePath, std::nullopt, 401},
      {"save with a wrong token", "POST", kModulePath,
       "Bearer " + token.substr(0, token.size() - 1) + "X", 401},
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
      {"call with the second token", "POST", kModulePath, "Bearer " + std::string(kMonitorToken),
       200},
      {"kiosk reading its own register", "GET", "/kiosk/v1/parametros/0001/001", "Bearer " + kiosk,
       200},
      {"kiosk reading another register", "GET", "/kiosk/v1/parametros/0001/002", "Bearer " + kiosk,
       403},
      {"kiosk reading a register that is none", "GET", "/kiosk/v1/parametros/0001/999",
       "Bearer " + kiosk, 403},
      {"franchisee reading a register of its branch", "GET", "/kiosk/v1/parametros/0002/001",
       "Bearer " + franchise, 200},
      {"franchisee saving another branch's register", "POST", kModulePath, "Bearer " + franchise,
       403},
      {"call with a token in each of two headers", "POST", kModulePath,
       "Bearer " + token + "\r\nAuthorization: Bearer " + std::string(kMonitorToken), 400},
      {"call with a wrong token, then a right one", "POST", kModulePath,
       "Bearer x\r\nAuthorization: Bearer " + token, 400},
  };
  const std::string call = R"({"jsonrpc":"2.0","id":1,"method":"getFilial","params":[]})";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string extra = c.authorization ? "Authorization: " + *c.authorization + "\r\n" : "";
    auto raw = Connect();
    if (c.method == "POST") {
      const bool refused = c.status == 401 || c.status == 403;
      raw->Send(PostRequest(c.path, refused ? SaveBody() : call, extra));
    } else {
      raw->Send("GET " + c.path + " HTTP/1.1\r\nHost: x\r\n" + extra + "\r\n");
    }
    std::string answer = raw->ReadResponse();
    EXPECT_EQ(StatusOf(answer), c.status) << answer;
    if (c.status == 401) {
      EXPECT_NE(answer.find("WWW-Authenticate: Bearer"), std::string::npos) << answer;
    }
    if (c.status == 403) {
      EXPECT_NE(BodyOf(answer).find("não tem acesso ao caixa"), std::string::npos) << answer;
    }
  }
  ExpectNothingWritten();
}

TEST_F(TokenHardening, AWrongTokenIsRefusedBeforeTheBodyIsSent) {
  auto raw = Connect();
  raw->Send(
      "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: x\r\n"
      "Content-Type: application/json\r\nContent-Length: 600\r\n"
      "Authorization: Bearer " +
      std::string(kMonitorToken) + "x\r\n\r\n");
  std::string answer = raw->ReadUntilClosed();
  EXPECT_EQ(StatusOf(answer), 401) << answer;
  EXPECT_EQ(answer.find("<still open>"), std::string::npos) << "connection left open";
  ExpectNothingWritten();
}

// The file's rules themselves are a table in the unit suite; here, that a
// server given a bad file or none stops at start, says why and shows no token.
TEST(TokenFile, ProblemsStopTheServerAtStartWithoutShowingTheToken) {
  TempDir dir;
  const std::string secret = "s3gr3do-que-nao-aparece";
  const std::string file = dir.File("tokens");
  for (const auto& [content, message] :
       {std::pair<std::optional<std::string>, std::string>{secret + "\n",
                                                           "tokens:1: esperado NOME TOKEN"},
        {std::nullopt, "não foi possível ler o arquivo de tokens"}}) {
    std::filesystem::remove(file);
    if (content) WriteFile(file, *content);
    std::string output;
    const int code = ServerProcess::RunTool(
        {"--db", "sqlite:" + dir.File("t.db"), "--listen", "127.0.0.1:0", "--token-file", file},
        &output);
    EXPECT_EQ(code, 1) << output;
    EXPECT_NE(output.find(message), std::string::npos) << output;
    EXPECT_EQ(output.find(secret), std::string::npos) << output;
    EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
  }
}

TEST(TokenFile, WithoutOneTheServerRefusesToListenBeyondLoopback) {
  TempDir dir;
  for (const std::string address : {"0.0.0.0:0", "[::]:0", "192.0.2.1:0"}) {
    SCOPED_TRACE(address);
    std::string output;
    const int code = ServerProcess::RunTool(
        {"--db", "sqlite:" + dir.File("t.db"), "--listen", address}, &output);
    EXPECT_EQ(code, 2) << output;
    EXPECT_NE(output.find("--token-file"), std::string::npos) << output;
    EXPECT_NE(output.find("--insecure-listen-any"), std::string::npos) << output;
  }
}

}  // namespace
}  // namespace totem::test

namespace totem::test {
namespace {

// At the cap on connections a new one closes an unauthenticated caller's
// first, then a read-only token's, and the back office's last; a kiosk wait
// over the cap per address is answered at once.
TEST_F(TokenHardening, AtTheCapTheUnauthenticatedAndReadersGoBeforeTheBackOffice) {
  StartServer({"--token-file", dir_.File("tokens"), "--max-connections", "3",
               "--kiosk-waits-per-address", "1"});
  auto get = [](const std::string& path, const std::string& token, const std::string& more = "") {
    return "GET " + path + " HTTP/1.1\r\nHost: x\r\n" +
           (token.empty() ? "" : "Authorization: Bearer " + token + "\r\n") + more + "\r\n";
  };
  RawConnection office(server_->Host(), server_->Port()), reader(server_->Host(), server_->Port()),
      anonymous(server_->Host(), server_->Port());
  office.Send(get(kModulePath, kLojaToken));
  reader.Send(get("/kiosk/v1/parametros/0001/001", kKioskToken));
  anonymous.Send(get(kModulePath, ""));
  ASSERT_EQ(StatusOf(office.ReadResponse()), 200);
  ASSERT_EQ(StatusOf(reader.ReadResponse()), 200);
  ASSERT_EQ(StatusOf(anonymous.ReadResponse()), 401);
  const std::vector<std::pair<const char*, RawConnection*>> closedInTurn = {
      {"unauthenticated", &anonymous}, {"read-only", &reader}};
  std::vector<std::unique_ptr<RawConnection>> newcomers;
  for (const auto& [who, connection] : closedInTurn) {
    newcomers.push_back(Connect());
    newcomers.back()->Send(get(kModulePath, kLojaToken));
    EXPECT_EQ(StatusOf(newcomers.back()->ReadResponse()), 200);
    EXPECT_EQ(connection->ReadUntilClosed(), "") << "the " << who << " connection made room";
  }
  office.Send(get(kModulePath, kLojaToken));
  EXPECT_EQ(StatusOf(office.ReadResponse()), 200) << "the back office kept its connection";

  StartServer({"--token-file", dir_.File("tokens"), "--kiosk-waits-per-address", "1"});
  RawConnection waiting(server_->Host(), server_->Port()), over(server_->Host(), server_->Port());
  waiting.Send(
      get("/kiosk/v1/parametros/0001/001?aguardar=30", kKioskToken, "If-None-Match: *\r\n"));
  // Once the first wait is held, the server answers the next one at once.
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
       std::chrono::steady_clock::now() < until;) {
    auto metrics = Connect();
    metrics->Send(get("/metrics", kLojaToken));
    if (metrics->ReadResponse().find("totem_kiosk_waiting 1") != std::string::npos) break;
  }
  over.Send(get("/kiosk/v1/parametros/0001/001?aguardar=30", kKioskToken, "If-None-Match: *\r\n"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(StatusOf(over.ReadResponse()), 304);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace totem::test
