// The client's decoding of whatever comes back from the server. Two readers
// decode answers: the one-pass pull reader behind rpc::ParseResponse and
// the document-tree decoders PacketFromJson and EnvelopeFromJson. For any
// input:
//  - each either decodes it or refuses it with ProtocolError, nothing else;
//  - what the pull reader accepts is JSON the tree parser accepts too, and
//    (when no object repeats a key) both read the same id, fault, envelope
//    and arguments from it;
//  - every packet and envelope either reader decodes is written back by
//    the direct writer as the JSON the tree encoder produces, and reads
//    back equal through both readers; so does every argument text.
#include "fuzz_check.h"

#include "platform/data_packet.h"
#include "platform/errors.h"
#include "platform/json_rpc.h"
#include "platform/json_writer.h"
#include "platform/result_envelope.h"
#include "tests/support/json_tree_codec.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using nlohmann::json;
using namespace totem;

bool SameEnvelope(const ResultEnvelope& a, const ResultEnvelope& b) {
  if (a.ok != b.ok || a.code != b.code || a.message != b.message) return false;
  if (a.packet.has_value() != b.packet.has_value()) return false;
  return !a.packet || fuzz::SamePacket(*a.packet, *b.packet);
}

std::string AsResponse(std::string_view envelope) {
  return std::string(R"({"jsonrpc":"2.0","id":1,"result":{"envelope":)") + std::string(envelope) +
         R"(,"params":[]}})";
}

void CheckPacketRoundTrip(const DataPacket& packet) {
  std::string written;
  json_writer::AppendPacket(written, packet);
  FUZZ_CHECK(json::accept(written), "the written packet is JSON");
  const json tree = json::parse(written);
  FUZZ_CHECK(tree == PacketToJson(packet), "the writer writes what the tree encoder writes");
  FUZZ_CHECK(fuzz::SamePacket(PacketFromJson(tree), packet),
             "the written packet reads back equal through the tree decoder");
  const auto back = rpc::ParseResponse(AsResponse(R"({"status":"ok","packet":)" + written + "}"));
  FUZZ_CHECK(
      back.envelope.ok && back.envelope.packet && fuzz::SamePacket(*back.envelope.packet, packet),
      "the written packet reads back equal through the pull reader");
}

void CheckEnvelopeRoundTrip(const ResultEnvelope& envelope) {
  std::string written;
  json_writer::AppendEnvelope(written, envelope);
  FUZZ_CHECK(json::accept(written), "the written envelope is JSON");
  const json tree = json::parse(written);
  FUZZ_CHECK(tree == EnvelopeToJson(envelope), "the writer writes what the tree encoder writes");
  FUZZ_CHECK(SameEnvelope(EnvelopeFromJson(tree), envelope),
             "the written envelope reads back equal through the tree decoder");
  FUZZ_CHECK(SameEnvelope(rpc::ParseResponse(AsResponse(written)).envelope, envelope),
             "the written envelope reads back equal through the pull reader");
  if (envelope.packet) CheckPacketRoundTrip(*envelope.packet);
}

// The final texts of the arguments, as the server writes them back (a list
// argument has no text).
void CheckArgumentsRoundTrip(const std::vector<std::optional<std::string>>& params) {
  for (const auto& text : params) {
    if (!text) continue;
    std::string written;
    json_writer::AppendString(written, *text);
    FUZZ_CHECK(json::accept(written) && json::parse(written) == *text,
               "a written argument reads back as the same text");
  }
}

// The tree decoders on every object in the document that could be a packet
// or an envelope: the top level and the places an answer carries them.
void DecodeWithTree(const json& doc) {
  std::vector<const json*> candidates = {&doc};
  if (doc.is_object()) {
    if (auto result = doc.find("result"); result != doc.end() && result->is_object()) {
      if (auto envelope = result->find("envelope"); envelope != result->end()) {
        candidates.push_back(&*envelope);
        if (envelope->is_object())
          if (auto packet = envelope->find("packet"); packet != envelope->end())
            candidates.push_back(&*packet);
      }
    }
  }
  for (const json* candidate : candidates) {
    try {
      CheckPacketRoundTrip(PacketFromJson(*candidate));
    } catch (const ProtocolError&) {
    }
    try {
      CheckEnvelopeRoundTrip(EnvelopeFromJson(*candidate));
    } catch (const ProtocolError&) {
    }
  }
}

// Both readers must agree on a document the pull reader accepted. Skipped
// when an object repeats a key: the tree keeps only the last one, which is
// not a disagreement worth reporting.
void CompareWithTree(const rpc::Response& response, const json& doc) {
  FUZZ_CHECK(doc.is_object() && doc.value("jsonrpc", json()) == "2.0",
             "the pull reader accepts only jsonrpc 2.0 objects");
  if (auto id = doc.find("id"); id != doc.end() && (id->is_primitive() && !id->is_boolean()))
    FUZZ_CHECK(response.id == *id, "both readers read the same id");
  if (auto error = doc.find("error"); error != doc.end()) {
    FUZZ_CHECK(response.fault.has_value(), "an error object is read as a fault");
    if (auto code = error->find("code"); code != error->end() && code->is_number_integer())
      FUZZ_CHECK(response.fault->code == static_cast<int>(code->get<long long>()),
                 "both readers read the same fault code");
    if (auto message = error->find("message"); message != error->end() && message->is_string())
      FUZZ_CHECK(response.fault->message == message->get<std::string>(),
                 "both readers read the same fault message");
    return;
  }
  FUZZ_CHECK(!response.fault, "no fault without an error object");
  const json& result = doc.at("result");
  ResultEnvelope envelope;
  try {
    envelope = EnvelopeFromJson(result.at("envelope"));
  } catch (const ProtocolError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    FUZZ_CHECK(false, "the tree decoder accepts the envelope the pull reader accepted");
  }
  FUZZ_CHECK(SameEnvelope(envelope, response.envelope), "both readers read the same envelope");
  std::vector<std::optional<std::string>> params;
  if (auto p = result.find("params"); p != result.end())
    for (const auto& value : *p)
      params.push_back(value.is_string() ? std::optional(value.get<std::string>()) : std::nullopt);
  FUZZ_CHECK(params == response.params, "both readers read the same arguments");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body(reinterpret_cast<const char*>(data), size);

  std::optional<rpc::Response> response;
  try {
    response = rpc::ParseResponse(body);
  } catch (const ProtocolError&) {
  }

  std::optional<json> doc;
  bool repeatedKey = false;
  bool tooLarge = false;
  std::vector<std::set<std::string>> keys;
  const json::parser_callback_t watchKeys = [&](int, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::key && !keys.back().insert(parsed.get<std::string>()).second)
      repeatedKey = true;
    if (event == json::parse_event_t::object_end) keys.pop_back();
    return true;
  };
  try {
    doc = json::parse(body.begin(), body.end(), watchKeys);
  } catch (const json::out_of_range&) {
    // A number beyond a double (1e999) is valid JSON the tree cannot hold.
    tooLarge = true;
  } catch (const json::exception&) {
  }

  if (response) {
    FUZZ_CHECK(doc || tooLarge, "what the pull reader accepts is JSON");
    if (doc && !repeatedKey) CompareWithTree(*response, *doc);
    if (!response->fault) {
      CheckEnvelopeRoundTrip(response->envelope);
      CheckArgumentsRoundTrip(response->params);
    }
  }
  if (doc) DecodeWithTree(*doc);
  return 0;
}
