#include "platform/data_packet.h"

#include <algorithm>
#include <cctype>

namespace totem {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::string_view FieldTypeName(FieldType type) {
  return type == FieldType::DateTime ? "datetime" : "string";
}

std::optional<FieldType> ParseFieldType(std::string_view name) {
  if (name == "string") return FieldType::Text;
  if (name == "datetime") return FieldType::DateTime;
  return std::nullopt;
}

int DataPacket::ColumnIndex(std::string_view name) const {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (SameName(fields[i].name, name)) return static_cast<int>(i);
  return -1;
}

}  // namespace totem
