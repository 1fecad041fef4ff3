#include "host/components/text_checks.h"

#include <algorithm>

namespace totem::host {

bool EmptyString(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0x20; });
}

bool EmptyString(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

}  // namespace totem::host
