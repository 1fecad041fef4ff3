#pragma once
// The access tokens a server accepts, each with a name that the call log and
// the save history record in its place. Read from a file with one token a
// line, "NAME TOKEN" or "NAME:TOKEN", optionally followed by the scope word
// "leitura" for a token that may only read (the kiosks' read path and the
// methods that write nothing); blank lines and lines starting with "#" are
// skipped. Only a SHA-256 digest of each token is kept, and a presented
// token is compared with every digest in constant time, so neither the
// answer's timing nor a memory dump gives a token away.
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
  // token, a name that is not [A-Za-z0-9._-]{1,64}, a short token, a name
  // or token given twice, or a file without tokens.
  static AccessTokens Load(const std::string& path);
  // The same rules over the file's text; origin names it in messages.
  static AccessTokens Parse(std::string_view text, const std::string& origin);

  bool Empty() const { return entries_.empty(); }
  std::size_t Size() const { return entries_.size(); }

  struct Match {
    std::string name;
    bool readOnly = false;
  };
  // The token an "Authorization: Bearer <token>" header value carries, or
  // nothing when it carries none of these tokens.
  std::optional<Match> Find(std::string_view authorization) const;
  std::optional<std::string> NameFor(std::string_view authorization) const {
    auto match = Find(authorization);
    return match ? std::optional(match->name) : std::nullopt;
  }

  // The scope word of a token that may only read.
  static constexpr std::string_view kReadOnlyScope = "leitura";

 private:
  using Digest = std::array<unsigned char, 32>;
  struct Entry {
    std::string name;
    Digest digest;
    bool readOnly = false;
  };
  static Digest DigestOf(std::string_view token);

  std::vector<Entry> entries_;
};

}  // namespace totem::server
