#pragma once
// A stand-in application server on a free loopback port whose answers a test
// writes: for what the real server never does (write back other values into
// by-reference arguments, answer a verify with foreign content). It serves
// the module's path like the real one; every call goes to the test's answer.
#include "platform/json_rpc.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace totem::test {

class StubRpcServer {
 public:
  // The envelope of a call; params may be changed to send other values back.
  using Answer =
      std::function<ResultEnvelope(const std::string& method, std::vector<std::string>& params)>;

  // chunked: answers in chunks of a few bytes instead of with a length.
  explicit StubRpcServer(Answer answer, bool chunked = false);
  ~StubRpcServer();
  int Port() const { return port_; }
  std::vector<std::string> Methods() const;  // called so far, in order

 private:
  struct State;
  std::unique_ptr<State> state_;
  int port_ = 0;
};

}  // namespace totem::test
