#include "tests/support/stub_rpc_server.h"

#include "platform/json_rpc.h"

#include <httplib.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <variant>

namespace totem::test {

struct StubRpcServer::State {
  httplib::Server http;
  std::thread thread;
  std::mutex mutex;
  std::vector<std::string> methods;
};

StubRpcServer::StubRpcServer(Answer answer, bool chunked) : state_(std::make_unique<State>()) {
  const std::string path = rpc::ModulePath("Ksl80500.rdmParametrosToten");
  state_->http.Get(path, [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"({"server":"Ksl80500.rdmParametrosToten"})", "application/json");
  });
  state_->http.Post(path, [this, answer, chunked](const httplib::Request& req,
                                                  httplib::Response& res) {
    auto parsed = rpc::ParseRequest(req.body);
    if (auto* fault = std::get_if<rpc::Fault>(&parsed)) {
      res.set_content(rpc::EncodeFault(*fault), "application/json");
      return;
    }
    auto& request = std::get<rpc::Request>(parsed);
    {
      std::lock_guard lock(state_->mutex);
      state_->methods.push_back(request.method);
    }
    const ResultEnvelope envelope = answer(request.method, request.params);
    std::string text = rpc::EncodeResult(request.id, envelope, request.params);
    if (!chunked) return res.set_content(text, "application/json");
    res.set_chunked_content_provider(
        "application/json", [text = std::move(text)](std::size_t offset, httplib::DataSink& sink) {
          constexpr std::size_t kChunk = 7;
          if (offset >= text.size()) {
            sink.done();
            return true;
          }
          return sink.write(text.data() + offset, std::min(kChunk, text.size() - offset));
        });
  });
  // One request per connection: nothing lingers when the stand-in stops.
  state_->http.set_keep_alive_max_count(1);
  port_ = state_->http.bind_to_any_port("127.0.0.1");
  state_->thread = std::thread([this] { state_->http.listen_after_bind(); });
  // Bound and listening already: a connection waits in the backlog until
  // the thread takes it.
}

StubRpcServer::~StubRpcServer() {
  state_->http.stop();
  state_->thread.join();
}

std::vector<std::string> StubRpcServer::Methods() const {
  std::lock_guard lock(state_->mutex);
  return state_->methods;
}

}  // namespace totem::test
