#pragma once
// The command line's help and messages in Portuguese: the texts around the
// options, CLI11's labels and layout, and CLI11's own errors said again.
#include "server/cli/command_line.h"

#include <CLI/CLI.hpp>

#include <string>

namespace totem::server {

extern const char* const kAbout;
extern const char* const kServeFooter;
extern const char* const kImportFooter;
extern const char* const kBackupFooter;
extern const char* const kRestoreFooter;

// The texts CLI11 puts around the options, in the help's language.
void Portuguese(CLI::App& app, const char* group = "Opções");

// CLI11's own messages are in English; the ones a user meets most often
// are said again in the help's language.
UsageError Translated(const CLI::ParseError& error, const std::string& config);

}  // namespace totem::server
