#include "server/cli/command_line.h"

#include "server/cli/command_author.h"
#include "server/cli/serve_options.h"
#include "server/store/migrations.h"
#include "server/store/store_factory.h"

#include "platform/version.h"

#include <arpa/inet.h>
#include <CLI/CLI.hpp>

#include <memory>
#include <sstream>

namespace totem::server {
namespace {

constexpr const char* kDefaultConfig = "/etc/totem/totem-server.conf";

constexpr const char* kAbout =
    R"(Servidor de aplicação dos parâmetros do totem: atende o módulo remoto
"Ksl80500.rdmParametrosToten" por HTTP (POST /rpc/Ksl80500.rdmParametrosToten,
JSON-RPC 2.0), os totens por GET /kiosk/v1/parametros/FILIAL/CAIXA (com
If-None-Match e ?aguardar=S, de 1 a 60 segundos, para esperar uma mudança),
mais GET /healthz (a base responde e aceita gravações?) e GET /metrics
(formato do Prometheus).)";

constexpr const char* kServeFooter = R"(
As opções também podem vir de um arquivo de configuração (--config), uma por
linha, com o nome sem os traços: "db = sqlite:/var/lib/totem/totem.db",
"criar-banco = true", "workers = 16", "trusted-proxy = [10.0.0.4, 10.0.0.5]",
"call-log = false".
O que vier na linha de comando vale mais que o arquivo.

SIGHUP relê o arquivo de tokens sem interromper as chamadas. SIGTERM ou
SIGINT encerram o servidor depois de responder as chamadas em andamento.)";

constexpr const char* kImportFooter = R"(
O tipo de cada arquivo vem do cabeçalho (upsert; uma transação por arquivo):
  CDFILIAL,NMFILIAL                                  filiais
  CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA             caixas
  CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN]
                                                     grupos de produtos
  CDFILIAL,CDCAIXA e os campos dos parâmetros        parâmetros dos totens
                                                     (o que export grava)
Separador vírgula ou ponto e vírgula (visto no cabeçalho); texto em UTF-8,
com ou sem BOM, ou Windows-1252. Uma linha inválida interrompe a importação
daquele arquivo sem gravar nada dele; a saída indica arquivo e linha, e o
código de saída é 1. Cada parâmetro alterado deixa uma linha no histórico
com o usuário que importou.
Um código de filial ou caixa só de algarismos e mais curto que a coluna
("305" em vez de "0305"), quando a base tem o código com zeros ou o arquivo
mistura tamanhos, é recusado (a planilha tirou os zeros à esquerda), ou
completado com --completar-zeros. Uma linha de parâmetros com VERSAO (o que
export grava) de um caixa gravado depois da exportação é recusada, ou gravada
por cima com --sobrescrever.)";

constexpr const char* kBackupFooter = R"(
Só para base SQLite, e pode rodar com o servidor atendendo: usa a cópia online
do SQLite, grava com um nome temporário na pasta, confere a integridade e a
versão do esquema da cópia e só então lhe dá o nome com a hora em UTC
(totem-20261209T013900Z.db). Depois remove as cópias desse nome além das N
mais novas. Numa falha, sai com código 1 sem deixar arquivo parcial. No
PostgreSQL, use pg_dump (guia de operação).)";

constexpr const char* kRestoreFooter = R"(
Só para base SQLite, com o servidor parado (sudo systemctl stop totem-server):
recusa enquanto um servidor usa a base. Confere o ARQUIVO (uma base deste
programa, íntegra, de esquema que ele conhece ou mais antigo), guarda a base
atual ao lado (totem.db.substituido-DATA) e põe a cópia no lugar, com o mesmo
dono e modo. O histórico dos caixas passa a mostrar a restauração e quem a fez.
No PostgreSQL, use pg_restore (guia de operação).)";

constexpr std::size_t kHelpColumn = 30;
constexpr std::size_t kHelpWidth = 80;
constexpr const char* kGeneral = "Gerais";

// CLI11's help, with the descriptions wrapped to the terminal's usual width
// and "--call-log,--no-call-log" without CLI11's "{false}" mark.
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() {
    column_width(kHelpColumn);
    for (auto [key, text] : {std::pair{"Usage", "Uso"},
                             {"OPTIONS", "OPÇÕES"},
                             {"SUBCOMMAND", "COMANDO"},
                             {"SUBCOMMANDS", "COMANDOS"},
                             {"Positionals", "Argumentos"},
                             {"REQUIRED", "(obrigatório)"},
                             {"TEXT", ""}})
      label(key, text);
  }
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string name = CLI::Formatter::make_option_name(option, positional);
    if (auto mark = name.find('{'); mark != std::string::npos)
      name.erase(mark, name.find('}', mark) - mark + 1);
    return name;
  }
  std::string make_option_desc(const CLI::Option* option) const override {
    std::string out, line;
    std::istringstream words(CLI::Formatter::make_option_desc(option));
    for (std::string word; words >> word;) {
      if (!line.empty() && line.size() + 1 + word.size() > kHelpWidth - kHelpColumn) {
        out += line + "\n";
        line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
  }
};

// The texts CLI11 puts around the options, in the help's language.
void Portuguese(CLI::App& app, const char* group = "Opções") {
  app.formatter(std::make_shared<HelpFormatter>());
  app.option_defaults()->group(group);
  app.set_help_flag("-h,--help", "mostra esta ajuda e sai");
}

// The database, once the command line and the config file are read.
std::string RequireDatabase(const std::string& database) {
  if (database.empty())
    throw UsageError(
        std::string("falta a base de dados: dê --db sqlite:CAMINHO (ou postgresql://...) ou "
                    "--config ARQUIVO com \"db = ...\" (o pacote instala ") +
        kDefaultConfig + ")");
  return database;
}

// The command line is visible to every user of the machine (ps), so a
// PostgreSQL password must come from where only the server's user reads it.
void RefusePasswordOnCommandLine(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string value;
    if (args[i] == "--db" && i + 1 < args.size())
      value = args[i + 1];
    else if (args[i].rfind("--db=", 0) == 0)
      value = args[i].substr(5);
    if (!value.empty() && DatabaseForLog(value) != value)
      throw UsageError(
          "a senha da base não vai na linha de comando (qualquer usuário da máquina a vê): "
          "use ~/.pgpass, PGPASSFILE ou PGPASSWORD");
  }
}

// CLI11's own messages are in English; the ones a user meets most often
// are said again in the help's language.
UsageError Translated(const CLI::ParseError& error, const std::string& config) {
  const std::string what = error.what();
  const std::string option = what.substr(0, what.find(':'));
  if (dynamic_cast<const CLI::FileError*>(&error))
    return UsageError("arquivo de configuração não encontrado ou ilegível: " + config);
  if (dynamic_cast<const CLI::ConfigError*>(&error))
    return UsageError("arquivo de configuração " + config + ": " +
                      (what.rfind("INI was not able to parse ", 0) == 0
                           ? "opção desconhecida: " + what.substr(26)
                           : what));
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
    return UsageError(
        what.find("At Most") != std::string::npos
            ? option +
                  " recebeu mais de um valor (no arquivo de configuração, um valor com espaços "
                  "vai entre aspas)"
            : option + " precisa de um valor");
  if (dynamic_cast<const CLI::RequiredError*>(&error))
    return UsageError("falta " + what.substr(0, what.find(' ')));
  if (dynamic_cast<const CLI::ValidationError*>(&error)) return UsageError(what);
  return UsageError(what);
}

// --autor on a command that writes: who the history names instead of the
// user running it.
CLI::Option* AddAuthorOption(CLI::App& command, std::string& autor) {
  return command
      .add_option(
          "--autor", autor,
          "quem o histórico registra (padrão: quem chamou o sudo, ou o usuário que roda o comando)")
      ->option_text("NOME")
      ->configurable(false);
}

// --manter: how many copies stay, at least the new one.
int ParseKeep(const std::string& text) {
  constexpr int kMostKept = 10000;
  const bool digits = !text.empty() && text.size() <= 5 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  const int keep = digits ? std::stoi(text) : 0;
  if (keep < 1 || keep > kMostKept)
    throw UsageError("--manter precisa de um número inteiro de 1 a " + std::to_string(kMostKept) +
                     ", não \"" + text + "\"");
  return keep;
}

}  // namespace

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost") return true;
  in_addr v4{};
  if (inet_pton(AF_INET, host.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
  in6_addr v6{};
  return inet_pton(AF_INET6, host.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string VersionText() {
  return "totem-server " + std::string(kVersion) + " (esquema " + std::to_string(SchemaVersion()) +
         ")";
}

Command ParseCommandLine(const std::vector<std::string>& args) {
  RefusePasswordOnCommandLine(args);
  CLI::App app(kAbout, "totem-server");
  Portuguese(app, kGeneral);
  app.footer(kServeFooter);
  app.set_version_flag("--version", VersionText(),
                       "mostra a versão do servidor e do esquema e sai");
  auto* config = app.set_config(
      "--config", "",
      "arquivo de configuração com as mesmas opções (ex.: " + std::string(kDefaultConfig) + ")");
  config->option_text("ARQUIVO");
  // A key of the config file that is no option is a mistake to report,
  // not to ignore: a misspelt token-file would open the server to all.
  app.allow_config_extras(CLI::config_extras_mode::error);
  app.allow_extras();

  ServeOptions serve;
  std::string listen = kDefaultListen;
  AddServeOptions(app, serve, listen);

  // The commands take --db and --config from the serving options, given
  // before or after the command's name.
  ImportOptions import;
  auto* importCommand =
      app.add_subcommand("import", "importa cadastros ou parâmetros dos totens de arquivos CSV");
  Portuguese(*importCommand);
  importCommand->fallthrough()->footer(kImportFooter);
  importCommand->add_option("ARQUIVO", import.files, "arquivos CSV, na ordem")
      ->required()
      ->configurable(false);
  std::string importAutor;
  auto* importAutorOption = AddAuthorOption(*importCommand, importAutor);
  importCommand
      ->add_flag("--completar-zeros", import.completarZeros,
                 "completa com zeros à esquerda os códigos de filial e caixa que a planilha "
                 "encurtou, em vez de "
                 "recusar o arquivo")
      ->configurable(false);
  importCommand
      ->add_flag(
          "--sobrescrever", import.sobrescrever,
          "grava as linhas de caixas gravados depois da exportação do arquivo, em vez de recusá-lo")
      ->configurable(false);
  importCommand
      ->add_flag(
          "--simular", import.simular,
          "lê e confere os arquivos como a importação, mostra o que mudaria e não grava nada")
      ->configurable(false);

  ExportOptions exportOptions;
  std::string what;
  auto* exportCommand = app.add_subcommand(
      "export", "grava os parâmetros dos totens em CSV, que import aceita de volta");
  Portuguese(*exportCommand);
  exportCommand->fallthrough()->footer("");
  exportCommand->add_option("O_QUE", what, "o que exportar: parametros")
      ->type_name("")
      ->required()
      ->configurable(false);
  exportCommand
      ->add_option("-o,--output", exportOptions.output, "arquivo de saída (padrão: a saída padrão)")
      ->option_text("ARQUIVO")
      ->configurable(false);

  HistoryOptions history;
  auto* historyCommand = app.add_subcommand(
      "history", "lista as gravações dos parâmetros de um caixa e o que cada uma mudou");
  Portuguese(*historyCommand);
  historyCommand->fallthrough()->footer("");
  historyCommand->add_option("--branch", history.cdFilial, "código da filial")
      ->option_text("FILIAL")
      ->required()
      ->configurable(false);
  historyCommand->add_option("--register", history.cdCaixa, "código do caixa")
      ->option_text("CAIXA")
      ->required()
      ->configurable(false);

  BackupOptions backup;
  std::string keep = std::to_string(backup.manter);
  auto* backupCommand = app.add_subcommand(
      "backup", "grava uma cópia verificada da base SQLite numa pasta e remove as cópias antigas");
  Portuguese(*backupCommand);
  backupCommand->fallthrough()->footer(kBackupFooter);
  backupCommand
      ->add_option("PASTA", backup.folder, "pasta das cópias (criada com modo 750 se faltar)")
      ->type_name("")
      ->required()
      ->configurable(false);
  backupCommand
      ->add_option("--manter", keep,
                   "quantas cópias manter na pasta, a nova inclusive (padrão: 14)")
      ->option_text("N")
      ->configurable(false);

  RestoreOptions restore;
  auto* restoreCommand = app.add_subcommand(
      "restore", "põe uma cópia de segurança no lugar da base SQLite, com o servidor parado");
  Portuguese(*restoreCommand);
  restoreCommand->fallthrough()->footer(kRestoreFooter);
  restoreCommand->add_option("ARQUIVO", restore.file, "a cópia a restaurar")
      ->type_name("")
      ->required()
      ->configurable(false);
  std::string restoreAutor;
  auto* restoreAutorOption = AddAuthorOption(*restoreCommand, restoreAutor);

  const auto prepare = [](CLI::App& command) {
    Portuguese(command);
    command.fallthrough()->footer("");
  };
  CadastroCommands cadastro(app, prepare);
  DesfazerCommands desfazer(app, prepare);
  std::vector<CLI::App*> commands = {importCommand, exportCommand, historyCommand, backupCommand,
                                     restoreCommand};
  for (auto* command : cadastro.Commands()) commands.push_back(command);
  for (auto* command : desfazer.Commands()) commands.push_back(command);
  for (auto* command : commands) {
    command->group("Comandos");
    command->allow_extras();
  }

  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    const auto chosen = app.get_subcommands();
    return ShowText{chosen.empty() ? app.help() : chosen.front()->help("totem-server")};
  } catch (const CLI::CallForVersion& version) {
    return ShowText{std::string(version.what()) + "\n"};
  } catch (const CLI::ParseError& error) {
    throw Translated(error, config->count() ? config->results().front() : "");
  }
  if (const auto extra = app.remaining(true); !extra.empty())
    throw UsageError(
        (extra.front().rfind("-", 0) == 0 ? "opção desconhecida: " : "argumento inesperado: ") +
        extra.front());

  if (importCommand->parsed()) {
    import.database = RequireDatabase(serve.database);
    import.createDatabase = serve.createDatabase;
    if (importAutorOption->count()) import.autor = CheckAuthor(importAutor);
    return import;
  }
  if (exportCommand->parsed()) {
    if (what != "parametros")
      throw UsageError("export sabe exportar só \"parametros\", não \"" + what + "\"");
    exportOptions.database = RequireDatabase(serve.database);
    return exportOptions;
  }
  if (historyCommand->parsed()) {
    history.database = RequireDatabase(serve.database);
    return history;
  }
  if (backupCommand->parsed()) {
    backup.database = RequireDatabase(serve.database);
    backup.manter = ParseKeep(keep);
    return backup;
  }
  if (restoreCommand->parsed()) {
    restore.database = RequireDatabase(serve.database);
    if (restoreAutorOption->count()) restore.autor = CheckAuthor(restoreAutor);
    return restore;
  }
  if (cadastro.Parsed()) return cadastro.Finish(RequireDatabase(serve.database));
  if (desfazer.Parsed()) return desfazer.Finish(RequireDatabase(serve.database));
  serve.database = RequireDatabase(serve.database);
  FinishServeOptions(serve, listen);
  return serve;
}

}  // namespace totem::server
