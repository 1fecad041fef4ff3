#include "tests/server/module_client.h"

#include "tests/support/server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace totem::test {

ModuleClient::ModuleClient(const std::string& host, int port) : http_(host, port) {
  http_.set_tcp_nodelay(true);
  http_.set_keep_alive(true);
  http_.set_read_timeout(10, 0);
  http_.set_connection_timeout(5, 0);
}

nlohmann::json ModuleClient::Call(const std::string& method,
                                  const std::vector<std::string>& params) {
  return CallJson(method, nlohmann::json(params));
}

nlohmann::json ModuleClient::CallJson(const std::string& method, const nlohmann::json& params) {
  nlohmann::json request = {
      {"jsonrpc", "2.0"}, {"id", nextId_++}, {"method", method}, {"params", params}};
  auto result = http_.Post(kModulePath, request.dump(), "application/json");
  if (!result) throw std::runtime_error("call failed: " + httplib::to_string(result.error()));
  if (result->status != 200) throw std::runtime_error("HTTP " + std::to_string(result->status));
  return nlohmann::json::parse(result->body);
}

nlohmann::json ModuleClient::Envelope(const std::string& method,
                                      const std::vector<std::string>& params) {
  auto response = Call(method, params);
  if (!response.contains("result")) throw std::runtime_error("fault: " + response.dump());
  return response["result"]["envelope"];
}

nlohmann::json ModuleClient::Rows(const std::string& method,
                                  const std::vector<std::string>& params) {
  auto envelope = Envelope(method, params);
  if (envelope["status"] != "ok") throw std::runtime_error("refused: " + envelope.dump());
  return envelope["packet"]["rows"];
}

RawConnection::RawConnection(const std::string& host, int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, host.c_str(), &address.sin_addr);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("connect failed");
  timeval timeout{5, 0};
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

RawConnection::~RawConnection() { Close(); }

void RawConnection::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void RawConnection::Send(const std::string& bytes) {
  if (!TrySend(bytes)) throw std::runtime_error("send failed");
}

bool RawConnection::TrySend(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string RawConnection::ReadResponse() {
  auto fill = [&] {
    char buffer[4096];
    ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
    return true;
  };
  std::size_t headEnd;
  while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos)
    if (!fill()) return {};
  std::size_t length = 0;
  auto at = pending_.find("Content-Length: ");
  if (at != std::string::npos && at < headEnd) length = std::stoul(pending_.substr(at + 16));
  while (pending_.size() < headEnd + 4 + length)
    if (!fill()) return {};
  std::string response = pending_.substr(0, headEnd + 4 + length);
  pending_.erase(0, response.size());
  return response;
}

std::string RawConnection::ReadUntilClosed() {
  std::string out = std::move(pending_);
  pending_.clear();
  char buffer[4096];
  ssize_t n;
  while ((n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0)
    out.append(buffer, static_cast<std::size_t>(n));
  if (n < 0) out += "<still open>";
  return out;
}

int StatusOf(const std::string& raw) {
  if (raw.rfind("HTTP/1.1 ", 0) != 0 || raw.size() < 12) return 0;
  return std::stoi(raw.substr(9, 3));
}

std::string BodyOf(const std::string& raw) {
  auto at = raw.find("\r\n\r\n");
  return at == std::string::npos ? std::string() : raw.substr(at + 4);
}

std::string PostRequest(const std::string& path, const std::string& body,
                        const std::string& extraHeaders) {
  return "POST " + path + " HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/json\r\n" +
         "Content-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

void ImportSmallChain(const TempDir& dir, const std::string& dbPath) {
  WriteFile(dir.File("filiais.csv"),
            "CDFILIAL,NMFILIAL\r\n0002,Filial Savassi\r\n0001,\"Matriz "
            "\"\"Centro\"\"\"\r\n0003,Depósito\r\n");
  WriteFile(dir.File("caixas.csv"),
            "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n"
            "0001,002,Caixa Rápido,LJ01,Loja Centro\n"
            "0001,001,Caixa Principal,LJ01,Loja Centro\n"
            "0002,001,Caixa Único,LJ02,\"Loja Savassi, piso 2\"\n");
  WriteFile(dir.File("grupos.csv"),
            "CDGRUPPROD,NMGRUPPROD,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN\n"
            "020,Sobremesas,2024-05-01T08:00:00,N,S\n"
            "010,Bebidas,2024-03-15 10:30,S,N\n"
            "030,Açaí e Vitaminas,,,\n");
  std::string output;
  const bool address = dbPath.rfind("sqlite:", 0) == 0 || dbPath.rfind("postgres", 0) == 0;
  int code = ServerProcess::RunTool(
      {"import", "--criar-banco", "--db", address ? dbPath : "sqlite:" + dbPath,
       dir.File("filiais.csv"), dir.File("caixas.csv"), dir.File("grupos.csv")},
      &output);
  if (code != 0) throw std::runtime_error("import failed: " + output);
}

std::vector<std::string> ValidSaveArgs() {
  return {"0001",
          "001",
          "3",
          "010",
          "S",
          "5",
          "20",
          "60",
          "Olá, bem-vindo!",
          "Mensagem adicional",
          "S",
          "N",
          "Digite seu código"};
}

}  // namespace totem::test
