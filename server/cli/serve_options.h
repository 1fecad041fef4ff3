#pragma once
// Every option of the serving command, written once: its name, the value it
// takes, its line in --help (in Portuguese) and where it lands in
// ServeOptions. The same table feeds the command line and the config file
// (a key is an option's name without its dashes), so help, parsing and the
// config file cannot disagree.
#include "server/cli/command_line.h"

#include <CLI/App.hpp>

#include <string>
#include <vector>

namespace totem::server {

// Where the server listens when neither the command line nor the config
// file says.
inline constexpr const char* kDefaultListen = "127.0.0.1:8080";

// Adds the serving options to app, bound to options (which holds their
// defaults). Values that need checking as a whole (the listening address,
// TLS in pairs, loopback without tokens) are checked by FinishServeOptions.
void AddServeOptions(CLI::App& app, ServeOptions& options, std::string& listen);

// Turns the listening address into host and port and checks the options
// that depend on each other. Throws UsageError.
void FinishServeOptions(ServeOptions& options, const std::string& listen);

// An option's default as the config file shows it: "# key = value".
struct OptionDefault {
  std::string key;
  std::string value;
};
// The defaults of the serving options that have one, read from the same
// members and rows the options are parsed into, in --help's order: the
// server's own, and the limits per client.
std::vector<OptionDefault> ServerOptionDefaults();
std::vector<OptionDefault> LimitDefaults();

}  // namespace totem::server
