#pragma once
// The server's numeric limit options, one row each: the option, what it
// sets, its range, and its line in --help with the default it shows.
#include "server/http/http_options.h"

#include <span>
#include <string>

namespace totem::server {

struct LimitOption {
  const char* name;  // "--max-body"
  const char* unit;  // what the value counts, for the help text
  long long min;
  long long max;
  void (*set)(HttpOptions& options, long long value);
  long long (*get)(const HttpOptions& options);  // the default shown in --help; null: none
  const char* help;
};

std::span<const LimitOption> LimitOptions();

// The limit options' lines of --help, with the defaults of HttpOptions.
std::string LimitOptionsHelp();

}  // namespace totem::server
