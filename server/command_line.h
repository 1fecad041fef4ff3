#pragma once
// The command line of totem-server: serving (the default) or importing
// master data from CSV files.
#include "server/http_server.h"

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace totem::server {

struct ServeOptions {
  std::string database;  // "sqlite:PATH"
  HttpOptions http;
  bool demo = false;
  std::string tokenFile;  // first line is the required bearer token
};

struct ImportOptions {
  std::string database;
  std::vector<std::string> files;
};

struct ShowHelp {};

using Command = std::variant<ServeOptions, ImportOptions, ShowHelp>;

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arguments without the program name. Throws UsageError.
Command ParseCommandLine(const std::vector<std::string>& args);

std::string HelpText();

// "sqlite:" + $XDG_DATA_HOME/totem/totem.db, or ~/.local/share/totem/totem.db.
std::string DefaultDatabase();

}  // namespace totem::server
