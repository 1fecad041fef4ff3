// totem-kiosk-watch FILIAL CAIXA: what a kiosk does to follow its settings.
//   1. GET /kiosk/v1/parametros/FILIAL/CAIXA: the settings and their tag
//      (ETag); printed as one JSON line on standard output.
//   2. The same GET with If-None-Match: the tag, and ?aguardar=S: the
//      server holds it until a newer version is committed (200: print it,
//      go on with the new version) or S seconds pass (304: ask again).
//   3. When the server cannot be reached, answers 503 or closes the
//      connection, ask again after a pause that doubles up to 30 s (with a
//      little randomness, so that a chain's kiosks do not all come back in
//      the same instant), and keep the tag already known.
// Messages about the connection go to standard error. Exits 2 for a
// register the server does not know, 3 for a token it refuses.
#include "platform/version.h"

#include <httplib.h>
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct Options {
  std::string server = "http://127.0.0.1:8080";
  std::string token;
  std::string filial;
  std::string caixa;
  int aguardar = 60;
};

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

class Watch {
 public:
  explicit Watch(const Options& options)
      : options_(options),
        path_("/kiosk/v1/parametros/" + options.filial + "/" + options.caixa),
        client_(options.server) {
    // The server answers a wait at its deadline; a little more here tells a
    // server that went silent from one that is still waiting.
    client_.set_read_timeout(std::chrono::seconds(options.aguardar + 15));
    client_.set_connection_timeout(5s);
    // One connection per read: this HTTP client library (0.11) reads a 304
    // without Content-Length until the connection closes, so on a kept-
    // alive connection every wait that ends unchanged would hang until the
    // read timeout. A kiosk whose library knows that a 304 has no body
    // keeps one connection open instead; a read a minute costs nothing.
    client_.set_keep_alive(false);
    if (!options.token.empty()) client_.set_bearer_token_auth(options.token);
  }

  int Run() {
    std::chrono::milliseconds pause = kFirstPause;
    while (true) {
      httplib::Headers headers;
      std::string target = path_;
      if (!etag_.empty()) {
        headers.emplace("If-None-Match", etag_);
        target += "?aguardar=" + std::to_string(options_.aguardar);
      }
      auto result = client_.Get(target, headers);
      if (!result) {
        Warn("sem resposta de " + options_.server + " (" + httplib::to_string(result.error()) + ")",
             pause);
      } else if (result->status == 200) {
        if (!Print(result->body)) {
          Warn("resposta sem versão", pause);
        } else {
          // The tag goes back as it came: it names these settings, which
          // the version alone cannot (it repeats after a restore).
          etag_ = result->get_header_value("ETag");
          pause = kFirstPause;
        }
        continue;
      } else if (result->status == 304) {
        pause = kFirstPause;
        continue;
      } else if (result->status == 404) {
        std::cerr << "totem-kiosk-watch: " << ErrorOf(result->body) << '\n';
        return 2;
      } else if (result->status == 401 || result->status == 403) {
        std::cerr << "totem-kiosk-watch: acesso recusado (" << result->status
                  << "): " << ErrorOf(result->body) << '\n';
        return 3;
      } else {
        Warn(
            "o servidor respondeu " + std::to_string(result->status) + ": " + ErrorOf(result->body),
            pause);
      }
      client_.stop();
      std::this_thread::sleep_for(Jittered(pause));
      pause = std::min(pause * 2, kLongestPause);
    }
  }

 private:
  static constexpr std::chrono::milliseconds kFirstPause{500};
  static constexpr std::chrono::milliseconds kLongestPause{30000};

  // One line per version, its fields in the server's order.
  bool Print(const std::string& body) {
    const auto settings = nlohmann::ordered_json::parse(body, nullptr, false);
    if (settings.is_discarded() || !settings.contains("versao") ||
        !settings["versao"].is_number_integer())
      return false;
    std::cout << settings.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << std::endl;
    return true;
  }

  static std::string ErrorOf(const std::string& body) {
    const auto error = nlohmann::json::parse(body, nullptr, false);
    if (error.is_object() && error.contains("error") && error["error"].is_string())
      return error["error"];
    return body;
  }

  static void Warn(const std::string& what, std::chrono::milliseconds pause) {
    std::cerr << "totem-kiosk-watch: " << what << "; nova tentativa em " << pause.count() << " ms"
              << std::endl;
  }

  std::chrono::milliseconds Jittered(std::chrono::milliseconds pause) {
    std::uniform_int_distribution<long long> spread(0, pause.count() / 4);
    return pause + std::chrono::milliseconds(spread(random_));
  }

  const Options& options_;
  const std::string path_;
  httplib::Client client_;
  std::string etag_;  // of the settings last printed
  std::mt19937 random_{std::random_device{}()};
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const char* server = Env("TOTEM_SERVER")) options.server = server;
  if (const char* token = Env("TOTEM_TOKEN")) options.token = token;
  CLI::App app{
      "Acompanha os parâmetros do totem de um caixa: mostra os parâmetros e, a cada mudança "
      "gravada, a nova versão (uma linha JSON por versão).",
      "totem-kiosk-watch"};
  // CLI11's own words around the options, in the help's language.
  for (auto [key, text] : {std::pair{"Usage", "Uso"},
                           {"OPTIONS", "OPÇÕES"},
                           {"Positionals", "Argumentos"},
                           {"REQUIRED", "(obrigatório)"},
                           {"TEXT", ""}})
    app.get_formatter()->label(key, text);
  app.option_defaults()->group("Opções");
  app.set_version_flag("--version", "totem-kiosk-watch " + std::string(totem::kVersion),
                       "mostra a versão e sai");
  app.set_help_flag("-h,--help", "mostra esta ajuda e sai");
  app.add_option("FILIAL", options.filial, "código da filial")->required();
  app.add_option("CAIXA", options.caixa, "código do caixa")->required();
  app.add_option("--server", options.server,
                 "endereço do servidor (padrão $TOTEM_SERVER ou http://127.0.0.1:8080)");
  app.add_option("--token", options.token,
                 "token de acesso (padrão $TOTEM_TOKEN); um token de leitura basta");
  app.add_option("--aguardar", options.aguardar,
                 "segundos que cada pergunta espera por uma mudança (1 a 60)")
      ->option_text("S")
      ->check(CLI::Range(1, 60));
  CLI11_PARSE(app, argc, argv);
  return Watch(options).Run();
}
