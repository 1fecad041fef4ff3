#include "platform/data_packet.h"
#include "platform/errors.h"
#include "platform/json_writer.h"
#include "platform/result_envelope.h"
#include "tests/support/json_tree_codec.h"
#include "tests/support/packet_builder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;
using namespace totem;

namespace {

DataPacket SamplePacket() {
  return test::Packet({{"CDGRUPPROD", FieldType::Text, 10},
                       {"NMGRUPPROD", FieldType::Text, 40},
                       {"DTULTATUGPPR", FieldType::DateTime, 0}})
      .Row({"001", "Bebidas não alcoólicas", "2026-01-31T10:00:00"})
      .Row({"002", std::nullopt, std::nullopt});
}

}  // namespace

TEST(DataPacketCodec, RoundTripKeepsTypesSizesNullsAndAccents) {
  const DataPacket original = SamplePacket();
  const DataPacket back = PacketFromJson(json::parse(PacketToJson(original).dump()));
  ASSERT_EQ(back.fields.size(), 3u);
  EXPECT_EQ(back.fields[0].name, "CDGRUPPROD");
  EXPECT_EQ(back.fields[0].size, 10);
  EXPECT_EQ(back.fields[2].type, FieldType::DateTime);
  EXPECT_EQ(back.rows, original.rows);
  EXPECT_EQ(PacketToJson(original)["fields"][2]["type"], "datetime");
}

TEST(DataPacketCodec, ColumnLookupIgnoresCase) {
  EXPECT_EQ(SamplePacket().ColumnIndex("nmgrupprod"), 1);
  EXPECT_EQ(SamplePacket().ColumnIndex("NOPE"), -1);
}

TEST(DataPacketCodec, RefusesMalformedPackets) {
  const char* bad[] = {
      R"([])",
      R"({"rows":[]})",
      R"({"fields":[]})",
      R"({"fields":[{"type":"string","size":4}],"rows":[]})",
      R"({"fields":[{"name":"A","type":"blob","size":4}],"rows":[]})",
      R"({"fields":[{"name":"A","type":"string","size":-1}],"rows":[]})",
      R"({"fields":[{"name":"A","type":"string","size":4}],"rows":[["x","y"]]})",
      R"({"fields":[{"name":"A","type":"string","size":4}],"rows":[[1]]})",
      R"({"fields":[{"name":"A","type":"string","size":4}],"rows":["x"]})",
  };
  for (const char* text : bad)
    EXPECT_THROW(PacketFromJson(json::parse(text)), ProtocolError) << text;
}

TEST(ResultEnvelopeCodec, SuccessAndFailureRoundTrip) {
  auto ok = EnvelopeFromJson(EnvelopeToJson(ResultEnvelope::Success(SamplePacket())));
  EXPECT_TRUE(ok.ok);
  ASSERT_TRUE(ok.packet);
  EXPECT_EQ(ok.packet->rows.size(), 2u);

  auto none = EnvelopeFromJson(EnvelopeToJson(ResultEnvelope::Success()));
  EXPECT_TRUE(none.ok);
  EXPECT_FALSE(none.packet);
  EXPECT_TRUE(EnvelopeToJson(ResultEnvelope::Success())["packet"].is_null());

  auto err =
      EnvelopeFromJson(EnvelopeToJson(ResultEnvelope::Failure("CAIXA_N", "Caixa não cadastrado.")));
  EXPECT_FALSE(err.ok);
  EXPECT_EQ(err.code, "CAIXA_N");
  EXPECT_EQ(err.message, "Caixa não cadastrado.");
}

TEST(ResultEnvelopeCodec, RefusesUnknownStatusAndIncompleteErrors) {
  EXPECT_THROW(EnvelopeFromJson(json::parse(R"({"status":"maybe"})")), ProtocolError);
  EXPECT_THROW(EnvelopeFromJson(json::parse(R"({"status":"error","code":"X"})")), ProtocolError);
  EXPECT_THROW(EnvelopeFromJson(json::parse(R"({"packet":null})")), ProtocolError);
  EXPECT_THROW(EnvelopeFromJson(json::parse(R"("ok")")), ProtocolError);
}

TEST(DirectJsonWriter, WritesWhatTheTreeEncoderWrites) {
  DataPacket p = SamplePacket();
  p.rows.push_back({"\"quoted\" \\ back", "tab\there\nline\x01", std::nullopt});
  std::string direct;
  json_writer::AppendPacket(direct, p);
  EXPECT_EQ(json::parse(direct), PacketToJson(p));
  EXPECT_EQ(direct, PacketToJson(p).dump());

  for (const auto& envelope : {ResultEnvelope::Success(p), ResultEnvelope::Success(),
                               ResultEnvelope::Failure("DTINF", "Data inválida.")}) {
    std::string out;
    json_writer::AppendEnvelope(out, envelope);
    EXPECT_EQ(out, EnvelopeToJson(envelope).dump());
  }
}

TEST(DirectJsonWriter, RefusesTextThatIsNotUtf8) {
  std::string out;
  EXPECT_THROW(json_writer::AppendString(out, "\xC3\x28"), ProtocolError);
}
