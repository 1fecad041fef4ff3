#pragma once
// The commands that put registers back, for administrators without the
// screen; each is one save in the history, with the checks of a save:
//   totem-server restaurar FILIAL CAIXA GRAVACAO [--simular] [--autor NOME]
//   totem-server desfazer-copia COPIA [--simular] [--autor NOME]
// With --simular they print what would change and write nothing.
#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace totem::server {

struct DesfazerOptions {
  std::string database;
  bool copia = false;    // desfazer-copia; otherwise restaurar
  std::string cdFilial;  // restaurar
  std::string cdCaixa;   // restaurar
  std::string numero;    // the save (restaurar) or the copy (desfazer-copia)
  bool simular = false;
  std::optional<std::string> autor;
};

// The two commands on the program's command line; Finish turns the one
// given (if any) into its options.
class DesfazerCommands {
 public:
  // prepare is applied to each command before its options are added.
  DesfazerCommands(CLI::App& app, const std::function<void(CLI::App&)>& prepare);
  bool Parsed() const { return restaurar_->parsed() || desfazer_->parsed(); }
  DesfazerOptions Finish(const std::string& database) const;
  std::vector<CLI::App*> Commands() const { return {restaurar_, desfazer_}; }

 private:
  CLI::App* restaurar_;
  CLI::App* desfazer_;
  DesfazerOptions restaurarOptions_, desfazerOptions_;
  std::string autor_;
  std::vector<CLI::Option*> autorOptions_;
};

// Prints what the command does (or would do) on out, a refusal on err;
// returns the process exit code: 1 when refused or the database fails.
int RunDesfazer(const DesfazerOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
