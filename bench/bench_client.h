#pragma once
// A bare keep-alive HTTP client for the benchmarks: one connection, the same
// request bytes every call, the answer read by its Content-Length. Cheap and
// alike for every server measured, so ratios between servers compare the
// servers.
#include "tests/support/server_process.h"

#include <string>

#include <sys/types.h>

namespace totem::bench {

// The open file limit raised to its hard maximum, for benchmarks that hold
// thousands of connections.
void RaiseOpenFileLimit();
using test::ResidentKib;

// "POST /rpc/Ksl80500.rdmParametrosToten" with a JSON body.
std::string PostRequest(const std::string& body);

class HttpClient {
 public:
  HttpClient(int port, std::string request);  // connects to 127.0.0.1:port
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Sends the request and returns the answer's body; empty when the
  // connection failed or was closed.
  std::string Call();

 private:
  bool Fill();
  int fd_ = -1;
  std::string request_;
  std::string pending_;
};

}  // namespace totem::bench
