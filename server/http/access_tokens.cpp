#include "server/http/access_tokens.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace totem::server {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names go into log lines and history rows as they are, so they are kept to
// characters that need no quoting anywhere.
bool ValidName(std::string_view name) {
  return !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
  });
}

// What an HTTP header can carry without quoting: visible ASCII.
bool ValidToken(std::string_view token) {
  return std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

}  // namespace

AccessTokens::Digest AccessTokens::DigestOf(std::string_view token) {
  Digest digest{};
  unsigned int size = 0;
  EVP_Digest(token.data(), token.size(), digest.data(), &size, EVP_sha256(), nullptr);
  return digest;
}

AccessTokens AccessTokens::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw TokenFileError("não foi possível ler o arquivo de tokens " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return Parse(text.str(), path);
}

AccessTokens AccessTokens::Parse(std::string_view text, const std::string& origin) {
  AccessTokens tokens;
  std::vector<std::size_t> lines;  // line of each entry, for messages about repeats
  std::size_t lineNumber = 0;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;
    if (line.empty() || line.front() == '#') continue;

    const std::string where = origin + ":" + std::to_string(lineNumber) + ": ";
    const auto separator = line.find_first_of(": \t");
    if (separator == std::string_view::npos)
      throw TokenFileError(where +
                           "esperado NOME TOKEN (ou NOME:TOKEN); cada token precisa de um nome");
    const std::string_view name = Trimmed(line.substr(0, separator));
    std::string_view token = Trimmed(line.substr(separator + 1));
    std::string_view scope;
    if (const auto blank = token.find_first_of(" \t"); blank != std::string_view::npos) {
      scope = Trimmed(token.substr(blank));
      token = token.substr(0, blank);
    }
    if (!ValidName(name))
      throw TokenFileError(
          where + "nome de token inválido (use até 64 letras, dígitos, \".\", \"_\" ou \"-\")");
    if (token.empty()) throw TokenFileError(where + "o token " + std::string(name) + " está vazio");
    if (!ValidToken(token))
      throw TokenFileError(where + "o token " + std::string(name) +
                           " tem espaços ou caracteres fora do ASCII visível");
    if (token.size() < kMinTokenLength)
      throw TokenFileError(where + "o token " + std::string(name) + " é curto demais (mínimo " +
                           std::to_string(kMinTokenLength) + " caracteres)");

    // The scope word, then the reach. Neither is repeated in a message: a
    // blank typed inside a token would make its tail look like them.
    std::string_view reachList;
    if (const auto blank = scope.find_first_of(" \t"); blank != std::string_view::npos) {
      reachList = Trimmed(scope.substr(blank));
      scope = scope.substr(0, blank);
    }
    if (!scope.empty() && scope != kReadOnlyScope && scope != kWriteScope)
      throw TokenFileError(where + "escopo desconhecido para o token " + std::string(name) +
                           " (use \"" + std::string(kReadOnlyScope) + "\" ou \"" +
                           std::string(kWriteScope) +
                           "\", seguido ou não das filiais e caixas que ele alcança, ou nada)");
    TokenReach reach;
    if (!reachList.empty()) {
      if (reachList.find_first_of(" \t") != std::string_view::npos)
        throw TokenFileError(where + "o alcance do token " + std::string(name) +
                             " tem espaços; separe as filiais e caixas só com vírgulas");
      std::string problem;
      auto parsed = TokenReach::Parse(reachList, &problem);
      if (!parsed)
        throw TokenFileError(where + "alcance inválido para o token " + std::string(name) + ": " +
                             problem);
      reach = std::move(*parsed);
    }

    Entry entry{std::string(name), DigestOf(token), scope == kReadOnlyScope, std::move(reach)};
    for (std::size_t i = 0; i < tokens.entries_.size(); ++i) {
      if (tokens.entries_[i].name == entry.name)
        throw TokenFileError(where + "o nome " + entry.name + " já foi usado na linha " +
                             std::to_string(lines[i]));
      if (tokens.entries_[i].digest == entry.digest)
        throw TokenFileError(where + "o token de " + entry.name + " é o mesmo da linha " +
                             std::to_string(lines[i]));
    }
    tokens.entries_.push_back(std::move(entry));
    lines.push_back(lineNumber);
  }
  if (tokens.entries_.empty())
    throw TokenFileError("o arquivo de tokens " + origin + " não tem nenhum token");
  return tokens;
}

std::optional<AccessTokens::Match> AccessTokens::Find(std::string_view authorization) const {
  constexpr std::string_view scheme = "Bearer ";
  if (!StartsWithNoCase(authorization, scheme)) return std::nullopt;
  const Digest given = DigestOf(Trimmed(authorization.substr(scheme.size())));
  // Every digest is compared, whatever matched before, so the time taken
  // does not depend on which token (if any) was presented.
  const Entry* match = nullptr;
  for (const auto& entry : entries_)
    if (CRYPTO_memcmp(given.data(), entry.digest.data(), given.size()) == 0) match = &entry;
  if (!match) return std::nullopt;
  return Match{match->name, match->readOnly, match->reach};
}

}  // namespace totem::server
