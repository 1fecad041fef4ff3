#pragma once
// The access tokens a server accepts, each with a name that the call log and
// the save history record in its place. Read from a file with one token a
// line, "NAME TOKEN" or "NAME:TOKEN", optionally followed by a scope word:
// "leitura" for a token that may only read (the kiosks' read path and the
// methods that write nothing), "escrita" for one that may write too, as a
// token without a word may. After the word, a list of the branches and
// registers the token reaches may follow ("leitura 0001/003",
// "escrita 0001,0007"; see TokenReach); without one it reaches them all. A
// list always comes after a word, so no line leaves in doubt whether its
// token writes. Blank lines and lines starting with "#" are skipped. Only a
// SHA-256 digest of each token is kept, and a presented token is compared
// with every digest in constant time, so neither the answer's timing nor a
// memory dump gives a token away.
#include "server/domain/token_reach.h"

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

// A token file that cannot be used. The message names the file and line and
// never repeats a token.
class TokenFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class AccessTokens {
 public:
  // Tokens shorter than this are refused: they could be guessed.
  static constexpr std::size_t kMinTokenLength = 16;

  AccessTokens() = default;  // none: the server requires no token

  // Throws TokenFileError for an unreadable file, a line without a name or
  // token, a name that is not [A-Za-z0-9._-]{1,64}, a short token, a scope
  // word that is none or a list of branches and registers that is not one,
  // a name or token given twice, or a file without tokens.
  static AccessTokens Load(const std::string& path);
  // The same rules over the file's text; origin names it in messages.
  static AccessTokens Parse(std::string_view text, const std::string& origin);

  bool Empty() const { return entries_.empty(); }
  std::size_t Size() const { return entries_.size(); }

  struct Match {
    std::string name;
    bool readOnly = false;
    TokenReach reach;
  };
  // The token an "Authorization: Bearer <token>" header value carries, or
  // nothing when it carries none of these tokens.
  std::optional<Match> Find(std::string_view authorization) const;
  std::optional<std::string> NameFor(std::string_view authorization) const {
    auto match = Find(authorization);
    return match ? std::optional(match->name) : std::nullopt;
  }

  // The scope words of a token that may only read, and of one that may write.
  static constexpr std::string_view kReadOnlyScope = "leitura";
  static constexpr std::string_view kWriteScope = "escrita";

 private:
  using Digest = std::array<unsigned char, 32>;
  struct Entry {
    std::string name;
    Digest digest;
    bool readOnly = false;
    TokenReach reach;
  };
  static Digest DigestOf(std::string_view token);

  std::vector<Entry> entries_;
};

}  // namespace totem::server
