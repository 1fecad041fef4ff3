#pragma once
// Everything the HTTP front is told at start: where to listen, the limits it
// applies to clients, who may call it and whether it speaks TLS.
#include "server/http/access_tokens.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace totem::server {

struct HttpOptions {
  std::string host = "127.0.0.1";
  int port = 8080;  // 0 picks a free port
  // Larger request bodies are refused (413). A copy to the most registers
  // one takes (10,000) is about 160 KiB.
  std::size_t maxBody = 256 * 1024;
  std::size_t maxHeader = 8 * 1024;  // request line and headers together (431 above)
  int maxConnections = 10000;        // open connections; the oldest idle ones make room
  int workers = 8;                   // threads running the reads that cannot run on a loop
  int writers = 2;  // threads of the write lane: saves and copies never queue behind reads
  int loops = 0;    // event loops reading and writing connections; 0: one per core
  // After answering a client on this machine whose packets arrive on
  // another CPU, a loop looks for its next request this long before it
  // sleeps (0: it sleeps at once). A CPU that went idle takes long to wake
  // on a virtual machine; a client and a loop on the same CPU never need it.
  int pollMicros = 50;
  // Kiosk reads that may wait for a change at once, per read-only token and
  // per client address; a read over either cap is answered at once.
  int kioskWaitsPerToken = 5000;
  int kioskWaitsPerAddress = 256;
  // Bytes of answers being built or written at once; reads are refused
  // (503, JSON-RPC -32004) while they are all taken. Writes never are.
  std::size_t answerBudget = 64 * 1024 * 1024;
  // The store answers a read without waiting on the network (SQLite): the
  // reads of one register run on the loop that parsed them, without a hop
  // to a worker thread and back.
  bool readsOnLoop = false;
  int keepAliveRequests = 10000;  // requests on one connection before the server closes it
  // An idle connection is closed after this. Longer than nginx's keep-alive
  // to the instances (deploy/nginx/totem.conf), so that nginx, not the
  // server, ends an idle connection between them.
  int keepAliveSeconds = 75;
  int headTimeoutSeconds = 10;   // the whole head, from its first byte
  int bodyTimeoutSeconds = 10;   // the whole body, from the end of the head
  int writeTimeoutSeconds = 10;  // the whole answer
  AccessTokens tokens;           // none: no token is required
  std::string tlsCert;           // PEM certificate chain and key: serve HTTPS
  std::string tlsKey;
  // Addresses of reverse proxies whose X-Forwarded-For names the real client.
  std::vector<std::string> trustedProxies;
  bool callLog = true;  // one line per answered request on standard error
};

// The event loops a server with these options runs.
inline int EventLoopCount(const HttpOptions& options) {
  return options.loops > 0 ? options.loops
                           : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// What GET /healthz reports of the store.
enum class StoreHealth {
  kWritable,     // answers and can take a write
  kReadOnly,     // answers reads but cannot take a write
  kUnavailable,  // does not answer
};
// The store's health, and for anything but kWritable why, for the operator.
struct HealthReport {
  StoreHealth state = StoreHealth::kWritable;
  std::string reason = {};
};
using HealthCheck = std::function<HealthReport()>;

}  // namespace totem::server
