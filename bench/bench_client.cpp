#include "bench/bench_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>

namespace totem::bench {

void RaiseOpenFileLimit() {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

std::string PostRequest(const std::string& body) {
  return "POST /rpc/Ksl80500.rdmParametrosToten HTTP/1.1\r\nHost: 127.0.0.1\r\n"
         "Content-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

HttpClient::HttpClient(int port, std::string request) : request_(std::move(request)) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  int one = 1;
  setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

HttpClient::~HttpClient() {
  if (fd_ >= 0) ::close(fd_);
}

bool HttpClient::Fill() {
  char buffer[65536];
  const ssize_t n = ::read(fd_, buffer, sizeof buffer);
  if (n <= 0) return false;
  pending_.append(buffer, static_cast<std::size_t>(n));
  return true;
}

std::string HttpClient::Call() {
  if (fd_ < 0) return {};
  if (::send(fd_, request_.data(), request_.size(), MSG_NOSIGNAL) !=
      static_cast<ssize_t>(request_.size()))
    return {};
  std::size_t headEnd;
  while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos)
    if (!Fill()) return {};
  const auto at = pending_.find("Content-Length: ");
  const std::size_t length =
      at < headEnd ? std::strtoul(pending_.c_str() + at + 16, nullptr, 10) : 0;
  while (pending_.size() < headEnd + 4 + length)
    if (!Fill()) return {};
  std::string body = pending_.substr(headEnd + 4, length);
  pending_.erase(0, headEnd + 4 + length);
  return body;
}

}  // namespace totem::bench
