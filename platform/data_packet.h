#pragma once
// The content of a client dataset as the application server sends it: column
// descriptions plus rows of text values (or null). Shared by client and server.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace totem {

enum class FieldType { Text, DateTime };

// Wire names of the field types: "string" and "datetime".
std::string_view FieldTypeName(FieldType type);
std::optional<FieldType> ParseFieldType(std::string_view name);

struct PacketColumn {
  std::string name;
  FieldType type = FieldType::Text;
  int size = 0;  // maximum length in characters (code points); 0 for date-time
};

using PacketValue = std::optional<std::string>;
using PacketRow = std::vector<PacketValue>;

struct DataPacket {
  std::vector<PacketColumn> fields;
  std::vector<PacketRow> rows;

  // Index of the column with that name (case-insensitive), or -1.
  int ColumnIndex(std::string_view name) const;
};

}  // namespace totem
