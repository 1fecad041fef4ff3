#pragma once
// The command line of totem-server: serving (the default), importing master
// data from CSV files, or printing a register's save history.
#include "server/http/http_options.h"

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace totem::server {

struct ServeOptions {
  std::string database;  // "sqlite:PATH"
  HttpOptions http;
  bool demo = false;
  std::string tokenFile;  // named tokens, one a line; callers must present one
  // Without a token file, listening beyond loopback needs this, so that an
  // open server on the network is always a decision.
  bool insecureListenAny = false;
};

struct ImportOptions {
  std::string database;
  std::vector<std::string> files;
};

struct HistoryOptions {
  std::string database;
  std::string cdFilial;
  std::string cdCaixa;
};

struct ShowHelp {};

using Command = std::variant<ServeOptions, ImportOptions, HistoryOptions, ShowHelp>;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arguments without the program name. Throws UsageError.
Command ParseCommandLine(const std::vector<std::string>& args);

std::string HelpText();

// 127.0.0.0/8, ::1 or "localhost".
bool IsLoopbackHost(const std::string& host);

// "sqlite:" + $XDG_DATA_HOME/totem/totem.db, or ~/.local/share/totem/totem.db.
std::string DefaultDatabase();

}  // namespace totem::server
