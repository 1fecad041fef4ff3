#pragma once
// Whether a typed or stored text counts as empty.
#include <QString>

#include <string_view>

namespace totem::host {

// True when the text is empty or holds only blanks: spaces, tabs, line
// breaks and other control characters (every character up to the space).
// A caption of blanks carries nothing the user can see, so it is treated as
// not informed.
bool EmptyString(const QString& text);
bool EmptyString(std::string_view text);
inline bool EmptyString(const char* text) {
  return EmptyString(std::string_view(text ? text : ""));
}

}  // namespace totem::host
