#include "server/cli/serve_options.h"

#include <CLI/Validators.hpp>

#include <algorithm>

namespace totem::server {
namespace {

constexpr long long kMaxSeconds = 3600;
constexpr const char* kServer = "Servidor";
constexpr const char* kLimits = "Limites por cliente";

// A whole number in [min, max], said in Portuguese when it is not.
CLI::Validator Between(long long min, long long max) {
  return CLI::Validator(
      [min, max](std::string& text) -> std::string {
        const bool digits =
            !text.empty() && text.size() <= 12 &&
            std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits) return "espera um número, recebeu \"" + text + "\"";
        const long long value = std::stoll(text);
        if (value < min || value > max)
          return "deve estar entre " + std::to_string(min) + " e " + std::to_string(max);
        return {};
      },
      "");
}

// The numeric limits, one row each: option, unit, range, the member of
// HttpOptions it sets (and shows as default), and its help.
struct Limit {
  const char* name;
  const char* unit;
  long long min;
  long long max;
  void (*set)(HttpOptions& options, long long value);
  long long (*get)(const HttpOptions& options);  // the default, shown in --help and the config file
  const char* help;
};

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

// Both deadlines' default, which are the same.
long long GetReadTimeout(const HttpOptions& options) { return options.headTimeoutSeconds; }

void SetAnswerMemory(HttpOptions& options, long long megabytes) {
  options.answerBudget = static_cast<std::size_t>(megabytes) * 1024 * 1024;
}
long long GetAnswerMemory(const HttpOptions& options) {
  return static_cast<long long>(options.answerBudget / (1024 * 1024));
}

constexpr Limit kLimitOptions[] = {
    {"--max-body", "BYTES", 1, 1LL << 30, Set<&HttpOptions::maxBody>, Get<&HttpOptions::maxBody>,
     "tamanho máximo do corpo de uma requisição"},
    {"--max-header", "BYTES", 1024, 1 << 20, Set<&HttpOptions::maxHeader>,
     Get<&HttpOptions::maxHeader>, "tamanho máximo da linha de requisição e cabeçalhos juntos"},
    {"--max-connections", "N", 1, 1000000, Set<&HttpOptions::maxConnections>,
     Get<&HttpOptions::maxConnections>,
     "conexões abertas; no limite, as ociosas mais antigas são fechadas"},
    {"--workers", "N", 1, 256, Set<&HttpOptions::workers>, Get<&HttpOptions::workers>,
     "leituras atendidas ao mesmo tempo fora dos laços de eventos"},
    {"--writers", "N", 1, 64, Set<&HttpOptions::writers>, Get<&HttpOptions::writers>,
     "threads só de gravações (salvar, copiar), que nunca esperam atrás de leituras"},
    {"--loops", "N", 0, 256, Set<&HttpOptions::loops>, Get<&HttpOptions::loops>,
     "laços de eventos que leem e escrevem as conexões; 0: um por núcleo"},
    {"--poll-us", "US", 0, 1000, Set<&HttpOptions::pollMicros>, Get<&HttpOptions::pollMicros>,
     "microssegundos em que um laço, depois de responder a um cliente desta máquina em outro "
     "núcleo, procura a próxima requisição antes de dormir; 0: dorme logo"},
    {"--kiosk-waits-per-token", "N", 1, 1000000, Set<&HttpOptions::kioskWaitsPerToken>,
     Get<&HttpOptions::kioskWaitsPerToken>,
     "leituras de totem esperando mudança ao mesmo tempo por token de leitura; acima, respondidas "
     "na hora"},
    {"--kiosk-waits-per-address", "N", 1, 1000000, Set<&HttpOptions::kioskWaitsPerAddress>,
     Get<&HttpOptions::kioskWaitsPerAddress>,
     "o mesmo por endereço de cliente (sem token de gravação)"},
    {"--answer-memory", "MB", 1, 1 << 16, SetAnswerMemory, GetAnswerMemory,
     "megabytes de respostas sendo montadas ou enviadas; cheio, leituras recebem 503 (gravações "
     "nunca)"},
    {"--keep-alive-requests", "N", 1, 1000000, Set<&HttpOptions::keepAliveRequests>,
     Get<&HttpOptions::keepAliveRequests>, "requisições por conexão antes de fechá-la"},
    {"--keep-alive-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::keepAliveSeconds>,
     Get<&HttpOptions::keepAliveSeconds>, "segundos de conexão ociosa antes de fechá-la"},
    {"--head-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::headTimeoutSeconds>,
     Get<&HttpOptions::headTimeoutSeconds>,
     "prazo para o cabeçalho inteiro chegar, desde o 1º byte"},
    {"--body-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::bodyTimeoutSeconds>,
     Get<&HttpOptions::bodyTimeoutSeconds>, "prazo para o corpo inteiro chegar"},
    {"--read-timeout", "S", 1, kMaxSeconds, SetReadTimeout, GetReadTimeout,
     "o mesmo que --head-timeout S --body-timeout S"},
    {"--write-timeout", "S", 1, kMaxSeconds, Set<&HttpOptions::writeTimeoutSeconds>,
     Get<&HttpOptions::writeTimeoutSeconds>, "prazo para escrever a resposta inteira"},
};

void AddLimit(CLI::App& app, HttpOptions& http, const Limit& limit) {
  const std::string help =
      std::string(limit.help) + " (padrão " + std::to_string(limit.get(http)) + ")";
  app.add_option_function<long long>(
         limit.name, [&http, set = limit.set](long long value) { set(http, value); }, help)
      ->option_text(limit.unit)
      ->check(Between(limit.min, limit.max))
      ->group(kLimits);
}

// "HOST:PORT" or "[IPv6]:PORT".
void ParseListen(const std::string& text, HttpOptions& http) {
  const auto colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0)
    throw UsageError("--listen espera HOST:PORTA, recebeu \"" + text + "\"");
  std::string host = text.substr(0, colon);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (host.empty()) throw UsageError("--listen sem endereço: \"" + text + "\"");
  std::string port = text.substr(colon + 1);
  if (const std::string problem = Between(0, 65535)(port); !problem.empty())
    throw UsageError("--listen: a porta " + problem);
  http.host = host;
  http.port = std::stoi(port);
}

}  // namespace

void AddServeOptions(CLI::App& app, ServeOptions& options, std::string& listen) {
  HttpOptions& http = options.http;
  app.add_option("--db", options.database,
                 "base de dados (obrigatória aqui ou no arquivo de configuração): sqlite:CAMINHO, "
                 "um arquivo que já existe (ou, com --criar-banco, um novo), ou "
                 "postgresql://USUARIO@HOST:PORTA/BASE, com as tabelas criadas na primeira vez "
                 "(a senha vem de ~/.pgpass, PGPASSFILE ou PGPASSWORD, nunca da linha de comando)")
      ->option_text("BASE")
      ->group(kServer);
  app.add_flag(
         "--criar-banco", options.createDatabase,
         "cria a base SQLite (e a pasta dela) quando ainda não existe; sem esta opção, uma base "
         "que falta é um erro, para que um caminho errado não comece do zero (--demo também cria)")
      ->group(kServer);
  app.add_option("--listen", listen,
                 std::string("endereço de escuta (padrão ") + kDefaultListen +
                     "; porta 0 escolhe uma livre). Quando pronto, escreve \"listening on "
                     "HOST:PORTA\" na saída "
                     "padrão")
      ->option_text("HOST:PORTA")
      ->group(kServer);
  app.add_option(
         "--sondagem-sqlite", options.sqlitePollMs,
         "de quantos em quantos milissegundos o servidor procura na base SQLite gravações de "
         "outros "
         "programas (um import ao lado dele) para avisar os totens que aguardam; 0 não procura, "
         "quando só este servidor grava o arquivo (padrão " +
             std::to_string(options.sqlitePollMs) + ")")
      ->option_text("MS")
      ->check(Between(0, 60000))
      ->group(kServer);
  app.add_flag("--demo", options.demo,
               "preenche uma base vazia com uma rede de lojas de demonstração")
      ->group(kServer);
  app.add_option(
         "--token-file", options.tokenFile,
         "exige \"Authorization: Bearer <token>\" com um dos tokens do arquivo, um por linha com "
         "seu nome: \"NOME TOKEN\" ou \"NOME:TOKEN\" (token com pelo menos 16 caracteres; linhas "
         "vazias e começadas por # são ignoradas); a palavra \"leitura\" depois do token o limita "
         "a "
         "ler (os totens e os métodos get*), \"escrita\" o deixa gravar; depois de uma das duas "
         "palavras, uma lista como \"0001,0007/002\" limita o token a essas filiais e caixas. O "
         "nome vai para o log e "
         "o histórico. SIGHUP relê o arquivo")
      ->option_text("ARQUIVO")
      ->group(kServer);
  app.add_flag(
         "--insecure-listen-any", options.insecureListenAny,
         "sem --token-file o servidor só escuta em loopback; esta opção permite outro endereço SEM "
         "exigir token")
      ->group(kServer);
  app.add_option("--tls-cert", http.tlsCert,
                 "certificado (PEM, com a cadeia): atende HTTPS; com --tls-key")
      ->option_text("ARQUIVO")
      ->group(kServer);
  app.add_option("--tls-key", http.tlsKey, "chave do certificado (PEM, sem senha)")
      ->option_text("ARQUIVO")
      ->group(kServer);
  app.add_option("--trusted-proxy", http.trustedProxies,
                 "proxy reverso (ex.: o nginx) cujo X-Forwarded-For indica o cliente no log e no "
                 "histórico; repetível")
      ->option_text("IP")
      ->group(kServer);
  app.add_flag("--call-log,!--no-call-log", http.callLog,
               "uma linha por requisição atendida na saída de erro (padrão: ligado)")
      ->group(kServer);
  for (const auto& limit : kLimitOptions) AddLimit(app, http, limit);
}

void FinishServeOptions(ServeOptions& options, const std::string& listen) {
  ParseListen(listen, options.http);
  if (options.http.tlsCert.empty() != options.http.tlsKey.empty())
    throw UsageError("--tls-cert e --tls-key são dados juntos");
  if (options.tokenFile.empty() && !options.insecureListenAny && !IsLoopbackHost(options.http.host))
    throw UsageError(
        "sem --token-file o servidor só escuta em loopback (127.0.0.1, ::1); para escutar em " +
        options.http.host +
        " dê um --token-file, ou --insecure-listen-any para aceitar "
        "chamadas de qualquer máquina sem token");
}

std::vector<OptionDefault> ServerOptionDefaults() {
  const ServeOptions defaults;
  auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
  return {
      {"criar-banco", flag(defaults.createDatabase)},
      {"listen", kDefaultListen},
      {"sondagem-sqlite", std::to_string(defaults.sqlitePollMs)},
      {"demo", flag(defaults.demo)},
      {"insecure-listen-any", flag(defaults.insecureListenAny)},
      {"call-log", flag(defaults.http.callLog)},
  };
}

std::vector<OptionDefault> LimitDefaults() {
  const HttpOptions defaults;
  std::vector<OptionDefault> out;
  for (const auto& limit : kLimitOptions)
    out.push_back({limit.name + 2, std::to_string(limit.get(defaults))});
  return out;
}

}  // namespace totem::server
