// Any request body the application server receives gets a JSON-RPC answer:
// a JSON object with "jsonrpc":"2.0" and exactly one of "result" and
// "error", carrying the request's id whenever the request had a usable one,
// and readable by the client's own decoder; a batch gets an array of those,
// one per request that is not a notification, in order; only notifications
// go unanswered. The module runs over a real SQLite file filled with the
// demonstration data, so well-formed calls reach the store: no call may end
// in a database failure, a refused save must leave the register's record as
// it was, and an accepted one must be what the register then loads.
#include "fuzz_check.h"

#include "server/domain/demo_data.h"
#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametros_module.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/store/store_factory.h"

#include "platform/errors.h"
#include "platform/json_rpc.h"

#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using nlohmann::json;
using namespace totem;
using namespace totem::server;

struct Server {
  std::filesystem::path dir;
  std::unique_ptr<Store> store;
  std::unique_ptr<ParametrosModule> module;
  std::unique_ptr<RpcDispatcher> dispatcher;
};
Server* fixture = nullptr;

// Every save is committed with a full sync; a folder in memory keeps the
// fuzzer's pace when it finds its way to valid saves.
std::filesystem::path ScratchParent() {
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

constexpr std::string_view kScratchPrefix = "totem-rpc-fuzz-";

// A run that crashed or was killed leaves its folder behind; the next run
// removes those whose process is gone.
void RemoveStaleScratch(const std::filesystem::path& parent) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(parent, error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kScratchPrefix, 0) != 0) continue;
    const std::string digits = name.substr(kScratchPrefix.size());
    if (digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const long pid = std::stol(digits);
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      std::filesystem::remove_all(entry.path(), error);
  }
}

void RemoveScratch() {
  if (!fixture) return;
  const auto dir = fixture->dir;
  delete fixture;
  fixture = nullptr;
  std::error_code error;
  std::filesystem::remove_all(dir, error);
}

bool IsStandardCode(const json& code) {
  if (!code.is_number_integer()) return false;
  const auto value = code.get<long long>();
  return value == rpc::kParseError || value == rpc::kInvalidRequest ||
         value == rpc::kMethodNotFound || value == rpc::kInvalidParams ||
         value == rpc::kInternalError;
}

// The request as a well-formed call of one of the module's methods with
// the right number of text parameters, or nothing.
struct Call {
  std::string method;
  std::vector<std::string> params;
};
std::optional<Call> WellFormedCall(const json& request, const RpcDispatcher& dispatcher) {
  if (!request.is_object()) return std::nullopt;
  auto version = request.find("jsonrpc");
  auto method = request.find("method");
  if (version == request.end() || *version != "2.0") return std::nullopt;
  if (method == request.end() || !method->is_string()) return std::nullopt;
  if (auto id = request.find("id");
      id != request.end() && !id->is_number() && !id->is_string() && !id->is_null())
    return std::nullopt;
  Call call{method->get<std::string>(), {}};
  if (auto params = request.find("params"); params != request.end()) {
    if (!params->is_array()) return std::nullopt;
    for (const auto& p : *params) {
      if (!p.is_string()) return std::nullopt;
      call.params.push_back(p.get<std::string>());
    }
  }
  const auto names = dispatcher.MethodNames();
  if (std::find(names.begin(), names.end(), call.method) == names.end()) return std::nullopt;
  return call;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const auto parent = ScratchParent();
  RemoveStaleScratch(parent);
  const auto dir = parent / (std::string(kScratchPrefix) + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  fixture =
      new Server{dir, OpenStore("sqlite:" + (dir / "fuzz.db").string(), true), nullptr, nullptr};
  if (!FillDemoData(*fixture->store)) std::abort();
  fixture->module = std::make_unique<ParametrosModule>(*fixture->store);
  fixture->dispatcher = std::make_unique<RpcDispatcher>(*fixture->module);
  std::atexit(RemoveScratch);
  return 0;
}

namespace {

// One response object: well-formed, with a standard code when an error,
// and readable by the client's own decoder; returns what the client read.
rpc::Response CheckResponse(const json& answer) {
  FUZZ_CHECK(answer.is_object(), "a response is a JSON object");
  FUZZ_CHECK(answer.value("jsonrpc", json()) == "2.0", "a response says jsonrpc 2.0");
  FUZZ_CHECK(answer.contains("result") != answer.contains("error"),
             "a response has either a result or an error");
  FUZZ_CHECK(answer.contains("id"), "a response has an id");
  if (answer.contains("error")) {
    const json& error = answer["error"];
    FUZZ_CHECK(error.is_object() && IsStandardCode(error.value("code", json())),
               "an error object has a standard code");
    FUZZ_CHECK(error.contains("message") && error["message"].is_string() &&
                   !error["message"].get_ref<const std::string&>().empty(),
               "an error object has a message");
    FUZZ_CHECK(error["code"] != rpc::kInternalError, "no call ends in an internal error");
  }
  rpc::Response response;
  try {
    response = rpc::ParseResponse(answer.dump());
  } catch (const ProtocolError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    FUZZ_CHECK(false, "the client's decoder reads the server's answer");
  }
  FUZZ_CHECK(response.fault.has_value() == answer.contains("error"),
             "the client sees a fault exactly when the server sent one");
  FUZZ_CHECK(response.id == answer["id"], "the client reads the id the server wrote");
  if (!response.fault) {
    FUZZ_CHECK(response.envelope.ok || !response.envelope.code.empty(), "a refusal has a code");
    FUZZ_CHECK(response.envelope.code != refusal::kFalhaBase,
               "the store on a healthy file never fails a call");
  }
  return response;
}

// A notification: a request the standard answers nothing to.
bool IsNotification(const json& value) {
  return value.is_object() && !value.contains("id") && value.value("jsonrpc", json()) == "2.0" &&
         value.contains("method") && value["method"].is_string();
}

// A batch's answer: one response per request that is not a notification,
// in the order of the requests.
void CheckBatch(const json& batch, const json& answer) {
  FUZZ_CHECK(!batch.empty() && batch.size() <= RpcDispatcher::kMaxBatch,
             "only a batch within the cap is answered per call");
  std::vector<const json*> answered;
  for (const auto& request : batch)
    if (!IsNotification(request)) answered.push_back(&request);
  FUZZ_CHECK(answer.is_array() && answer.size() == answered.size(),
             "a batch gets one response per request that is not a notification");
  for (std::size_t i = 0; i < answered.size(); ++i) {
    CheckResponse(answer[i]);
    const json& request = *answered[i];
    if (request.is_object() && request.contains("id") &&
        (request["id"].is_number() || request["id"].is_string()))
      FUZZ_CHECK(answer[i]["id"] == request["id"],
                 "the responses are in the order of the requests");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);

  // What the request was, read as the server reads it.
  std::optional<json> request;
  if (auto parsed = rpc::ParseBody(body); std::holds_alternative<rpc::Body>(parsed))
    request = std::get<rpc::Body>(parsed).value;
  // A body read the plain way is read as the document's reading reads it.
  if (auto plain = rpc::ReadPlainRequest(body)) {
    const auto parsed = rpc::ParseBody(body);
    FUZZ_CHECK(std::holds_alternative<rpc::Body>(parsed), "a plain request is JSON");
    const auto& value = std::get<rpc::Body>(parsed);
    const auto full = rpc::ReadRequest(value.value, value.IdText(0));
    FUZZ_CHECK(std::holds_alternative<rpc::Request>(full), "a plain request is a request");
    const auto& read = std::get<rpc::Request>(full);
    FUZZ_CHECK(plain->id == read.id && plain->id.type() == read.id.type() &&
                   plain->idText == read.idText && plain->notification == read.notification &&
                   plain->method == read.method && plain->params == read.params &&
                   plain->lists == read.lists,
               "the plain reading reads what the full one does");
  }
  std::optional<Call> call;
  if (request) call = WellFormedCall(*request, *fixture->dispatcher);
  const bool isSave = call && call->method == "setUpdParametros" &&
                      call->params.size() == 2 + contract::kRecord.size();
  std::optional<DataPacket> before;
  if (isSave) {
    auto loaded = fixture->module->GetCarregaPar(call->params[0], call->params[1]);
    FUZZ_CHECK(loaded.ok && loaded.packet, "loading a register answers a packet");
    before = loaded.packet;
  }

  const std::string answerText = fixture->dispatcher->Handle(body);

  if (answerText.empty()) {
    const bool notificationsOnly =
        request &&
        (IsNotification(*request) ||
         (request->is_array() && !request->empty() && request->size() <= RpcDispatcher::kMaxBatch &&
          std::all_of(request->begin(), request->end(), IsNotification)));
    FUZZ_CHECK(notificationsOnly, "only notifications go unanswered");
    return 0;
  }
  FUZZ_CHECK(json::accept(answerText), "the answer is JSON");
  const json answer = json::parse(answerText);
  if (answer.is_array()) {
    FUZZ_CHECK(request && request->is_array(), "only a batch is answered with an array");
    CheckBatch(*request, answer);
    return 0;
  }
  const rpc::Response response = CheckResponse(answer);

  if (!request) {
    FUZZ_CHECK(answer.contains("error") && (answer["error"]["code"] == rpc::kParseError ||
                                            answer["error"]["code"] == rpc::kInvalidRequest),
               "a body that is not JSON, or names a key twice, gets a parse or request error");
  }
  if (request && request->is_object()) {
    auto id = request->find("id");
    if (id != request->end() && (id->is_number() || id->is_string()))
      FUZZ_CHECK(answer["id"] == *id, "the answer carries the request's id");
  }

  if (call && !response.fault) {
    FUZZ_CHECK(response.params == std::vector<std::optional<std::string>>(call->params.begin(),
                                                                          call->params.end()),
               "the arguments come back as they were sent");
  }
  if (isSave && !response.fault) {
    auto loaded = fixture->module->GetCarregaPar(call->params[0], call->params[1]);
    FUZZ_CHECK(loaded.ok && loaded.packet, "loading a register answers a packet");
    const DataPacket& after = *loaded.packet;
    if (!response.envelope.ok) {
      FUZZ_CHECK(fuzz::SamePacket(*before, after), "a refused save writes nothing");
    } else {
      FUZZ_CHECK(after.rows.size() == 1, "a saved register has its record");
      for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
        const int column = after.ColumnIndex(contract::kRecord[i].column.name);
        FUZZ_CHECK(column >= 0, "the record carries every saved value");
        FUZZ_CHECK(after.rows[0][column] == call->params[2 + i],
                   "the record holds each value as it was saved");
      }
    }
  }
  return 0;
}
