#include "server/cli/command_line.h"

#include "server/cli/command_author.h"
#include "server/cli/command_help.h"
#include "server/cli/serve_options.h"
#include "server/store/migrations.h"
#include "server/store/store_factory.h"

#include "platform/version.h"

#include <arpa/inet.h>
#include <CLI/CLI.hpp>

#include <memory>

namespace totem::server {
namespace {

constexpr const char* kDefaultConfig = "/etc/totem/totem-server.conf";
constexpr const char* kGeneral = "Gerais";

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
