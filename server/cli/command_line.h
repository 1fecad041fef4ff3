#pragma once
// The command line of totem-server: serving (the default), importing master
// data or kiosk parameters from CSV files, exporting the kiosk parameters,
// printing a register's save history, or backing up and restoring an SQLite
// database. Options may also come from a
// config file (--config FILE); the command line overrides it.
#include "server/cli/cadastro_command.h"
#include "server/cli/desfazer_command.h"
#include "server/http/http_options.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace totem::server {

struct ServeOptions {
  std::string database;  // "sqlite:PATH" or a PostgreSQL address
  // A missing SQLite file (and its folder) is created, empty, with the
  // schema; without it a missing one is an error.
  bool createDatabase = false;
  HttpOptions http;
  bool demo = false;
  // Over SQLite, how often to look for other programs' saves (an import run
  // beside the server) to tell the waiting kiosks; 0: never.
  int sqlitePollMs = 1000;
  std::string tokenFile;  // named tokens, one a line; callers must present one
  // Without a token file, listening beyond loopback needs this, so that an
  // open server on the network is always a decision.
  bool insecureListenAny = false;
};

struct ImportOptions {
  std::string database;
  bool createDatabase = false;  // as ServeOptions::createDatabase
  std::vector<std::string> files;
  std::optional<std::string> autor;  // who the history names; see CommandAuthor
  // Codes a spreadsheet stripped of their leading zeros are padded instead
  // of refused (server/cli/csv_leading_zeros.h).
  bool completarZeros = false;
  // Rows of registers saved after the file was exported are written anyway
  // instead of refused.
  bool sobrescrever = false;
  // Everything is read and checked and what would change is reported;
  // nothing is written.
  bool simular = false;
};

// "export parametros": every register's kiosk parameters as CSV.
struct ExportOptions {
  std::string database;
  std::string output;  // a file; empty: standard output
};

struct HistoryOptions {
  std::string database;
  std::string cdFilial;
  std::string cdCaixa;
};

// "backup PASTA": a verified copy of the SQLite database in PASTA, the
// copies beyond the newest manter removed (server/cli/backup_command.h).
struct BackupOptions {
  std::string database;
  std::string folder;
  int manter = 14;
};

// "restore ARQUIVO": a backup put in place of the SQLite database
// (server/cli/restore_command.h).
struct RestoreOptions {
  std::string database;
  std::string file;
  std::optional<std::string> autor;  // who the history names; see CommandAuthor
};

// --help or --version: the text to print on standard output.
struct ShowText {
  std::string text;
};

using Command =
    std::variant<ServeOptions, ImportOptions, ExportOptions, HistoryOptions, CadastroOptions,
                 BackupOptions, RestoreOptions, DesfazerOptions, ShowText>;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arguments without the program name. Reads the config file it names.
// Throws UsageError, in Portuguese, naming the option or config key at fault.
Command ParseCommandLine(const std::vector<std::string>& args);

// "totem-server 1.2.3 (esquema 2)".
std::string VersionText();

// 127.0.0.0/8, ::1 or "localhost".
bool IsLoopbackHost(const std::string& host);

}  // namespace totem::server
