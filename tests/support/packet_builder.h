#pragma once
// Data packets for tests, as a server would send them: columns from a
// dataset's persistent fields (their types and sizes) or text columns by
// name, then rows of texts (std::nullopt for a null) or of named values
// (the other columns empty).
#include "platform/data_packet.h"
#include "platform/field_def.h"

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace totem::test {

class Packet {
 public:
  explicit Packet(const std::vector<FieldDef>& fields) {
    for (const auto& f : fields) packet_.fields.push_back({f.name, f.type, f.size});
  }
  explicit Packet(const std::vector<std::string>& textColumns, int size = 50) {
    for (const auto& name : textColumns) packet_.fields.push_back({name, FieldType::Text, size});
  }
  // Columns written in place with their types and sizes.
  explicit Packet(std::initializer_list<PacketColumn> columns) { packet_.fields = columns; }
  // Column names written in place: {"CDFILIAL", "NMFILIAL"}.
  explicit Packet(std::initializer_list<std::string> textColumns, int size = 50)
      : Packet(std::vector<std::string>(textColumns), size) {}

  Packet& Row(PacketRow values) {
    packet_.rows.push_back(std::move(values));
    return *this;
  }
  Packet& Rows(const std::vector<std::vector<std::string>>& rows) {
    for (const auto& r : rows) Row(PacketRow(r.begin(), r.end()));
    return *this;
  }
  Packet& Named(const std::map<std::string, std::string>& values) {
    PacketRow row;
    for (const auto& column : packet_.fields) {
      auto it = values.find(column.name);
      row.emplace_back(it == values.end() ? std::string() : it->second);
    }
    return Row(std::move(row));
  }

  operator DataPacket() const { return packet_; }  // NOLINT: a builder's result

 private:
  DataPacket packet_;
};

}  // namespace totem::test
