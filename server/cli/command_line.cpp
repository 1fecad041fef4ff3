#include "server/cli/command_line.h"

#include "server/cli/limit_options.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace totem::server {
namespace {

long long ParseNumber(const std::string& option, const std::string& text, long long min, long long max) {
  if (text.empty() || text.size() > 12 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    throw UsageError(option + " espera um número, recebeu \"" + text + "\"");
  long long value = std::stoll(text);
  if (value < min || value > max)
    throw UsageError(option + " deve estar entre " + std::to_string(min) + " e " + std::to_string(max));
  return value;
}

// "HOST:PORT" or "[IPv6]:PORT".
void ParseListen(const std::string& text, HttpOptions& http) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0)
    throw UsageError("--listen espera HOST:PORTA, recebeu \"" + text + "\"");
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  if (host.empty()) throw UsageError("--listen sem endereço: \"" + text + "\"");
  http.host = host;
  http.port = static_cast<int>(ParseNumber("--listen", text.substr(colon + 1), 0, 65535));
}

// Walks "--name value" and "--name=value" pairs.
class ArgReader {
 public:
  explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}
  bool Done() const { return next_ >= args_.size(); }
  const std::string& Peek() const { return args_[next_]; }

  // The option's name; its value, if given with "=", is kept for Value().
  std::string Option() {
    std::string arg = args_[next_++];
    inlineValue_.reset();
    if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue_ = arg.substr(eq + 1);
      arg.resize(eq);
    }
    return arg;
  }
  std::string Value(const std::string& option) {
    if (inlineValue_) return *std::exchange(inlineValue_, std::nullopt);
    if (Done()) throw UsageError(option + " precisa de um valor");
    return args_[next_++];
  }
  void NoValue(const std::string& option) const {
    if (inlineValue_) throw UsageError(option + " não aceita valor");
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  std::optional<std::string> inlineValue_;
};

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

Command ParseImport(ArgReader& reader) {
  ImportOptions options;
  options.database = DefaultDatabase();
  while (!reader.Done()) {
    if (IsHelp(reader.Peek())) return ShowHelp{};
    if (reader.Peek().rfind("--", 0) != 0) {
      options.files.push_back(reader.Option());
      continue;
    }
    const std::string option = reader.Option();
    if (option == "--db") options.database = reader.Value(option);
    else throw UsageError("opção desconhecida para import: " + option);
  }
  if (options.files.empty()) throw UsageError("import precisa de pelo menos um arquivo CSV");
  return options;
}

Command ParseHistory(ArgReader& reader) {
  HistoryOptions options;
  options.database = DefaultDatabase();
  bool filial = false, caixa = false;
  while (!reader.Done()) {
    if (IsHelp(reader.Peek())) return ShowHelp{};
    const std::string option = reader.Option();
    if (option == "--db") {
      options.database = reader.Value(option);
    } else if (option == "--branch") {
      options.cdFilial = reader.Value(option);
      filial = true;
    } else if (option == "--register") {
      options.cdCaixa = reader.Value(option);
      caixa = true;
    } else {
      throw UsageError("opção desconhecida para history: " + option);
    }
  }
  if (!filial || !caixa) throw UsageError("history precisa de --branch FILIAL e --register CAIXA");
  return options;
}

Command ParseServe(ArgReader& reader) {
  ServeOptions options;
  options.database = DefaultDatabase();
  while (!reader.Done()) {
    if (IsHelp(reader.Peek())) return ShowHelp{};
    const std::string option = reader.Option();
    if (option == "--db") {
      options.database = reader.Value(option);
    } else if (option == "--listen") {
      ParseListen(reader.Value(option), options.http);
    } else if (option == "--demo") {
      reader.NoValue(option);
      options.demo = true;
    } else if (option == "--token-file") {
      options.tokenFile = reader.Value(option);
    } else if (option == "--insecure-listen-any") {
      reader.NoValue(option);
      options.insecureListenAny = true;
    } else if (option == "--tls-cert") {
      options.http.tlsCert = reader.Value(option);
    } else if (option == "--tls-key") {
      options.http.tlsKey = reader.Value(option);
    } else if (option == "--trusted-proxy") {
      options.http.trustedProxies.push_back(reader.Value(option));
    } else if (auto limit = std::find_if(LimitOptions().begin(), LimitOptions().end(),
                                         [&](const LimitOption& l) { return option == l.name; });
               limit != LimitOptions().end()) {
      limit->set(options.http, ParseNumber(option, reader.Value(option), limit->min, limit->max));
    } else {
      throw UsageError("opção desconhecida: " + option);
    }
  }
  if (options.http.tlsCert.empty() != options.http.tlsKey.empty())
    throw UsageError("--tls-cert e --tls-key são dados juntos");
  if (options.tokenFile.empty() && !options.insecureListenAny && !IsLoopbackHost(options.http.host))
    throw UsageError("sem --token-file o servidor só escuta em loopback (127.0.0.1, ::1); para escutar em " +
                     options.http.host + " dê um --token-file, ou --insecure-listen-any para aceitar "
                     "chamadas de qualquer máquina sem token");
  return options;
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string DefaultDatabase() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') base = xdg;
  else if (const char* home = std::getenv("HOME"); home && home[0]) base = std::string(home) + "/.local/share";
  else base = ".";
  return "sqlite:" + base + "/totem/totem.db";
}

Command ParseCommandLine(const std::vector<std::string>& args) {
  ArgReader reader(args);
  if (!reader.Done() && reader.Peek() == "import") {
    reader.Option();
    return ParseImport(reader);
  }
  if (!reader.Done() && reader.Peek() == "history") {
    reader.Option();
    return ParseHistory(reader);
  }
  return ParseServe(reader);
}

}  // namespace totem::server
