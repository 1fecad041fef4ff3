#pragma once
#include <cstddef>
#include <string_view>

namespace totem {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Number of code points in well-formed UTF-8 text. Field sizes count
// characters, so "Promoção" is 8 long, not 9.
std::size_t CountCodePoints(std::string_view text);

}  // namespace totem
