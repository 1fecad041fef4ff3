// The connection over HTTPS: a server started with a certificate is reached
// only when its certificate is trusted and issued for the address, and every
// other case fails with a message that says what is wrong.
#include "platform/errors.h"
#include "platform/socket_connection.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/wire/test_certificates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>

using namespace totem;
using namespace std::chrono_literals;

namespace {

constexpr const char* kModule = "Ksl80500.rdmParametrosToten";
constexpr const char* kToken = "retaguarda-0123456789abcdef";

void Write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// One authority the client trusts, one it does not, and servers showing
// certificates of each kind.
class TlsConnection : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    trusted_ = new test::TestAuthority("Totem Teste CA", dir_->File("ca.pem"));
    untrusted_ = new test::TestAuthority("Outra CA", dir_->File("outra-ca.pem"));
    Write(dir_->File("tokens"), std::string("retaguarda ") + kToken + "\n");
    auto good = trusted_->IssueServer(dir_->File("server"), "IP:127.0.0.1,DNS:localhost");
    auto otherName = trusted_->IssueServer(dir_->File("other-name"), "DNS:outro.exemplo");
    auto expired = trusted_->IssueServer(dir_->File("expired"), "IP:127.0.0.1", -30, -1);
    auto foreign = untrusted_->IssueServer(dir_->File("foreign"), "IP:127.0.0.1");
    servers_ = new std::map<std::string, test::ServerProcess*>{
        {"tls", Start("tls", &good)},
        {"other-name", Start("other-name", &otherName)},
        {"expired", Start("expired", &expired)},
        {"foreign", Start("foreign", &foreign)},
        {"plain", Start("plain", nullptr)},
    };
  }
  static void TearDownTestSuite() {
    for (auto& [name, server] : *servers_) delete server;
    delete servers_;
    delete untrusted_;
    delete trusted_;
    delete dir_;
  }
  static test::ServerProcess* Start(const std::string& name, const test::CertificateFiles* tls) {
    std::vector<std::string> args = {"--token-file", dir_->File("tokens")};
    if (tls) args.insert(args.end(), {"--tls-cert", tls->certificate, "--tls-key", tls->key});
    return new test::ServerProcess({dir_->File(name + ".db"), true, args});
  }

  static test::TempDir* dir_;
  static test::TestAuthority* trusted_;
  static test::TestAuthority* untrusted_;
  static std::map<std::string, test::ServerProcess*>* servers_;
};
test::TempDir* TlsConnection::dir_ = nullptr;
test::TestAuthority* TlsConnection::trusted_ = nullptr;
test::TestAuthority* TlsConnection::untrusted_ = nullptr;
std::map<std::string, test::ServerProcess*>* TlsConnection::servers_ = nullptr;

}  // namespace

TEST_F(TlsConnection, OpensOnlyWhenTheCertificateIsTrustedAndIssuedForTheAddress) {
  struct Case {
    const char* what;
    std::string host;    // with its scheme
    std::string server;  // which of the suite's servers
    std::string caFile;  // relative to the suite's folder; empty: the system's authorities
    std::optional<std::string> failure;  // part of the message, or none when the call works
    std::string token = kToken;
  };
  const std::vector<Case> cases = {
      {"trusted certificate", "https://127.0.0.1", "tls", "ca.pem", std::nullopt},
      {"trusted certificate by host name", "https://localhost", "tls", "ca.pem", std::nullopt},
      {"authority the client was not given", "https://127.0.0.1", "tls", "outra-ca.pem",
       "não foi assinado por uma autoridade certificadora confiável"},
      {"system authorities only", "https://127.0.0.1", "tls", "",
       "não foi assinado por uma autoridade certificadora confiável"},
      {"certificate of an unknown authority", "https://127.0.0.1", "foreign", "ca.pem",
       "não foi assinado por uma autoridade certificadora confiável"},
      {"certificate for another name", "https://127.0.0.1", "other-name", "ca.pem",
       "não foi emitido para este endereço"},
      {"expired certificate", "https://127.0.0.1", "expired", "ca.pem", "está vencido"},
      {"authority file missing", "https://127.0.0.1", "tls", "nao-existe.pem", "nao-existe.pem"},
      {"HTTPS to a plain server", "https://127.0.0.1", "plain", "ca.pem",
       "Verifique se o servidor atende HTTPS"},
      {"plain HTTP to the HTTPS port", "http://127.0.0.1", "tls", "",
       "informe o endereço com https://"},
      {"trusted certificate, wrong token", "https://127.0.0.1", "tls", "ca.pem",
       "token ausente ou inválido", std::string(kToken) + "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SocketConnection connection;
    connection.SetServerName(kModule);
    connection.SetHost(c.host);
    connection.SetPort(servers_->at(c.server)->Port());
    connection.SetToken(c.token);
    connection.SetTimeout(5s);
    if (!c.caFile.empty()) connection.SetCaFile(dir_->File(c.caFile));
    if (!c.failure) {
      auto envelope = connection.Call("getFilial", {});
      EXPECT_TRUE(envelope.ok);
      continue;
    }
    try {
      connection.Open();
      ADD_FAILURE() << "the connection opened";
    } catch (const ConnectionError& error) {
      EXPECT_NE(std::string(error.what()).find(*c.failure), std::string::npos) << error.what();
    }
    EXPECT_FALSE(connection.Connected());
  }
  // No refused client left a server unable to serve.
  for (const std::string server : {"tls", "plain"}) {
    SocketConnection connection;
    connection.SetServerName(kModule);
    connection.SetHost(server == "tls" ? "https://127.0.0.1" : "127.0.0.1");
    connection.SetPort(servers_->at(server)->Port());
    connection.SetToken(kToken);
    connection.SetCaFile(dir_->File("ca.pem"));
    EXPECT_TRUE(connection.Call("getFilial", {}).ok) << server;
  }
}

TEST(TlsServerStart, RefusesACertificateItCannotUse) {
  test::TempDir dir;
  test::TestAuthority authority("Totem Teste CA", dir.File("ca.pem"));
  auto first = authority.IssueServer(dir.File("first"), "IP:127.0.0.1");
  auto second = authority.IssueServer(dir.File("second"), "IP:127.0.0.1");
  struct Case {
    const char* what;
    std::vector<std::string> args;
    int code;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"key of another certificate",
       {"--tls-cert", first.certificate, "--tls-key", second.key},
       1,
       "não corresponde"},
      {"certificate missing",
       {"--tls-cert", dir.File("nada.crt"), "--tls-key", first.key},
       1,
       "não foi possível ler o certificado"},
      {"key given as the certificate",
       {"--tls-cert", first.key, "--tls-key", first.key},
       1,
       "não foi possível ler o certificado"},
      {"certificate without key", {"--tls-cert", first.certificate}, 2, "--tls-cert e --tls-key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args = {"--criar-banco", "--db", "sqlite:" + dir.File("t.db"),
                                     "--listen", "127.0.0.1:0"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string output;
    EXPECT_EQ(test::ServerProcess::RunTool(args, &output), c.code) << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_EQ(output.find("listening on"), std::string::npos) << output;
  }
}
