#pragma once
// Who runs an administration command (an import, a removal, a restore), as
// the history names it: "KIND:PERSON", a name no token can have (token names
// take no ':').
#include "server/domain/parametros_module.h"

#include <optional>
#include <string>
#include <string_view>

namespace totem::server {

// The longest person's name kept; the history's column holds 64 characters.
inline constexpr std::size_t kMaxAuthorLength = 48;

// An --autor as given, or UsageError when it is empty, too long, not UTF-8
// or holds control characters.
std::string CheckAuthor(const std::string& autor);

// PERSON is --autor when given (checked); else SUDO_USER when the command runs through
// sudo (the person, not the service user sudo switched to); else the user
// running it.
Caller CommandAuthor(std::string_view kind, const std::optional<std::string>& autor);

}  // namespace totem::server
