#pragma once
// Writes the protocol's JSON documents straight into a string, without
// building a document tree first: a packet of 50,000 rows is written in one
// pass. The output is the same JSON the tree encoders produce.
#include "platform/data_packet.h"
#include "platform/result_envelope.h"

#include <string>
#include <string_view>

namespace totem::json_writer {

// A JSON string literal. Throws ProtocolError for text that is not UTF-8,
// so that nothing unreadable ever goes on the wire.
void AppendString(std::string& out, std::string_view text);
void AppendPacket(std::string& out, const DataPacket& packet);
void AppendEnvelope(std::string& out, const ResultEnvelope& envelope);

}  // namespace totem::json_writer
