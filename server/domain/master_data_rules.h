#pragma once
// Rules for master data (branches, registers, product groups) coming from
// outside, such as an imported CSV file.
#include "platform/data_packet.h"

#include <optional>
#include <string>
#include <string_view>

namespace totem::server {

// Why a text value does not fit its column (invalid UTF-8, NUL, longer than
// the column's size in characters, empty when required), or nothing.
std::optional<std::string> CheckMasterText(const PacketColumn& column, std::string_view value,
                                           bool required);

// An ISO 8601 date ("2024-03-15") or date and time ("2024-03-15T10:30",
// "2024-03-15 10:30:00") as "YYYY-MM-DDTHH:MM:SS"; nothing when the text is
// not a valid calendar date and time.
std::optional<std::string> NormalizeDateTime(std::string_view text);

}  // namespace totem::server
