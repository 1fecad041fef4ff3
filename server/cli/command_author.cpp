#include "server/cli/command_author.h"

#include "server/cli/command_line.h"

#include "platform/utf8.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace totem::server {

std::string CheckAuthor(const std::string& autor) {
  if (autor.empty()) throw UsageError("--autor precisa de um nome");
  if (!IsValidUtf8(autor)) throw UsageError("--autor não é texto UTF-8 válido");
  if (std::any_of(autor.begin(), autor.end(),
                  [](unsigned char c) { return c < 0x20 || c == 0x7f; }))
    throw UsageError("--autor não pode ter caracteres de controle");
  if (CountCodePoints(autor) > kMaxAuthorLength)
    throw UsageError("--autor tem mais de " + std::to_string(kMaxAuthorLength) + " caracteres");
  return autor;
}

namespace {

// The person behind the process: sudo names who called it; without sudo,
// the effective user is the person.
std::string Person() {
  if (const char* sudoUser = std::getenv("SUDO_USER"); sudoUser && *sudoUser) {
    std::string name = sudoUser;
    if (IsValidUtf8(name) && CountCodePoints(name) <= kMaxAuthorLength) return name;
  }
  const passwd* user = getpwuid(geteuid());
  return user ? std::string(user->pw_name) : std::to_string(geteuid());
}

}  // namespace

Caller CommandAuthor(std::string_view kind, const std::optional<std::string>& autor) {
  const std::string person = autor ? CheckAuthor(*autor) : Person();
  return Caller{std::string(kind) + ":" + person, ""};
}

}  // namespace totem::server
