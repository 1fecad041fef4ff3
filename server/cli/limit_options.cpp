#include "server/cli/limit_options.h"

#include <cstdio>

namespace totem::server {
namespace {

constexpr long long kMaxSeconds = 3600;

// The setter and getter of one member of HttpOptions.
template <auto Member>
void Set(HttpOptions& options, long long value) {
  options.*Member = static_cast<std::remove_reference_t<decltype(options.*Member)>>(value);
}
template <auto Member>
long long Get(const HttpOptions& options) {
  return static_cast<long long>(options.*Member);
}

void SetReadTimeout(HttpOptions& options, long long value) {
  options.headTimeoutSeconds = options.bodyTimeoutSeconds = static_cast<int>(value);
}

constexpr LimitOption kLimitOptions[] = {
    {"--max-body", "BYTES", 1, 1LL << 30, Set<&HttpOptions::maxBody>, Get<&HttpOptions::maxBody>,
     "tamanho máximo do corpo de uma requisição"},
    {"--max-header", "BYTES", 1024, 1 << 20, Set<&HttpOptions::maxHeader>, Get<&HttpOptions::maxHeader>,
     "tamanho máximo da linha de requisição e cabeçalhos juntos"},
    {"--max-connections", "N", 1, 1000000, Set<&HttpOptions::maxConnections>, Get<&HttpOptions::maxConnections>,
     "conexões abertas; no limite, as ociosas mais antigas são fechadas"},
    {"--workers", "N", 1, 256, Set<&HttpOptions::workers>, Get<&HttpOptions::workers>,
     "chamadas à base atendidas ao mesmo tempo"},
    {"--keep-alive-requests", "N", 1, 1000000, Set<&HttpOptions::keepAliveRequests>,
     Get<&HttpOptions::keepAliveRequests>, "requisições por conexão antes de fechá-la"},
    {"--keep-alive-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::keepAliveSeconds>,
     Get<&HttpOptions::keepAliveSeconds>, "segundos de conexão ociosa antes de fechá-la"},
    {"--head-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::headTimeoutSeconds>,
     Get<&HttpOptions::headTimeoutSeconds>, "prazo para o cabeçalho inteiro chegar, desde o 1º byte"},
    {"--body-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::bodyTimeoutSeconds>,
     Get<&HttpOptions::bodyTimeoutSeconds>, "prazo para o corpo inteiro chegar"},
    {"--read-timeout", "S", 1, kMaxSeconds, SetReadTimeout, nullptr,
     "o mesmo que --head-timeout S --body-timeout S"},
    {"--write-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::writeTimeoutSeconds>,
     Get<&HttpOptions::writeTimeoutSeconds>, "prazo para escrever a resposta inteira"},
};

}  // namespace

std::span<const LimitOption> LimitOptions() { return kLimitOptions; }

std::string LimitOptionsHelp() {
  const HttpOptions defaults;
  std::string out;
  for (const auto& option : kLimitOptions) {
    char line[200];
    const std::string name = std::string(option.name) + " " + option.unit;
    std::snprintf(line, sizeof line, "  %-24s %s", name.c_str(), option.help);
    out += line;
    if (option.get) out += " (" + std::to_string(option.get(defaults)) + ")";
    out += "\n";
  }
  return out;
}

}  // namespace totem::server
