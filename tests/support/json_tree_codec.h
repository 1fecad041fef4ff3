#pragma once
// Packets and envelopes to and from nlohmann's document tree: a second,
// independent encoding beside the product's direct reader and writer
// (platform/json_reader, platform/json_writer). The wire tests and the
// response fuzzer check that the two agree on every input.
#include "platform/data_packet.h"
#include "platform/result_envelope.h"

#include <nlohmann/json_fwd.hpp>

namespace totem {

// {"fields":[{"name":..,"type":..,"size":..}],"rows":[[..],..]}
nlohmann::json PacketToJson(const DataPacket& packet);
// Throws ProtocolError when the JSON does not describe a packet: missing or
// mistyped members, unknown field types, rows of the wrong width, values that
// are neither strings nor null.
DataPacket PacketFromJson(const nlohmann::json& json);

// {"status":"ok","packet":PACKET|null} or
// {"status":"error","code":"..","message":".."}
nlohmann::json EnvelopeToJson(const ResultEnvelope& envelope);
ResultEnvelope EnvelopeFromJson(const nlohmann::json& json);  // throws ProtocolError

}  // namespace totem
