#pragma once
// Test helpers for talking to a running totem-server: JSON-RPC calls over one
// keep-alive connection, raw bytes over a plain socket, and a small master
// data set imported from CSV.
#include "tests/support/save_args.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace totem::test {

inline constexpr const char* kModulePath = "/rpc/Ksl80500.rdmParametrosToten";

inline ServerProcess::Options ServerOn(const std::string& dbPath, bool demo = false,
                                       std::vector<std::string> extraArgs = {}) {
  ServerProcess::Options options;
  options.dbPath = dbPath;
  options.demo = demo;
  options.extraArgs = std::move(extraArgs);
  return options;
}

class ModuleClient {
 public:
  ModuleClient(const std::string& host, int port);

  // The whole JSON-RPC response; throws std::runtime_error on a transport
  // failure or a non-200 answer.
  nlohmann::json Call(const std::string& method, const std::vector<std::string>& params);
  // With params of any JSON (the copy's list of destinations).
  nlohmann::json CallJson(const std::string& method, const nlohmann::json& params);
  // result.envelope of a call that must not be a protocol fault.
  nlohmann::json Envelope(const std::string& method, const std::vector<std::string>& params);
  // The rows of a successful call's packet.
  nlohmann::json Rows(const std::string& method, const std::vector<std::string>& params);

  httplib::Client& Http() { return http_; }

 private:
  httplib::Client http_;
  long long nextId_ = 1;
};

// A plain TCP connection for bytes httplib's client would never send.
class RawConnection {
 public:
  RawConnection(const std::string& host, int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  void Send(const std::string& bytes);     // throws when the peer is gone or stalls for 5 s
  bool TrySend(const std::string& bytes);  // false when not all of it could be sent
  // One response (head and Content-Length body); empty when the server
  // closed the connection first.
  std::string ReadResponse();
  // Everything until the server closes; gives up after 5 s.
  std::string ReadUntilClosed();
  void Close();

 private:
  int fd_ = -1;
  std::string pending_;
};

// "HTTP/1.1 413 ..." -> 413; 0 when there is no status line.
int StatusOf(const std::string& rawResponse);
std::string BodyOf(const std::string& rawResponse);
std::string PostRequest(const std::string& path, const std::string& body,
                        const std::string& extraHeaders = "");

void WriteFile(const std::string& path, const std::string& text);

// Three branches (0003 without registers), three registers, three product
// groups; imported into dbPath with "totem-server import".
// dbPath: an SQLite file or a whole --db address.
void ImportSmallChain(const TempDir& dir, const std::string& dbPath);

// A valid save of register 0001/001 with statement type "3" and group 010.
std::vector<std::string> ValidSaveArgs();

}  // namespace totem::test
