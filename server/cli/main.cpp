// totem-server: the application server of the kiosk parameter screen.
#include "server/cli/backup_command.h"
#include "server/cli/command_line.h"
#include "server/cli/csv_import.h"
#include "server/cli/history_command.h"
#include "server/cli/parametros_csv.h"
#include "server/cli/restore_command.h"
#include "server/cli/serve.h"
#include "server/log/server_log.h"

#include <iostream>
#include <string>
#include <variant>
#include <vector>

namespace {

template <class... Fs>
struct Overloaded : Fs... {
  using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

}  // namespace

int main(int argc, char** argv) {
  using namespace totem::server;
  Command command;
  try {
    command = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& error) {
    // A line of the log like any other, on one line with its time (and,
    // under systemd, a config file it cannot use is an error in the journal).
    LogError(std::string(error.what()) + " (totem-server --help mostra as opções)");
    return 2;
  }
  return std::visit(
      Overloaded{
          [](const ServeOptions& o) { return RunServer(o); },
          [](const ImportOptions& o) { return RunImport(o, std::cout, std::cerr); },
          [](const ExportOptions& o) { return RunExport(o, std::cout, std::cerr); },
          [](const HistoryOptions& o) { return RunHistory(o, std::cout, std::cerr); },
          [](const CadastroOptions& o) { return RunCadastro(o, std::cout, std::cerr); },
          [](const BackupOptions& o) { return RunBackup(o, std::cout, std::cerr); },
          [](const RestoreOptions& o) { return RunRestore(o, std::cout, std::cerr); },
          [](const DesfazerOptions& o) { return RunDesfazer(o, std::cout, std::cerr); },
          [](const ShowText& o) {
            std::cout << o.text;
            return 0;
          },
      },
      command);
}
