#pragma once
// The commands that remove branches and registers, bring them back and
// purge what was removed:
//   totem-server remover caixa FILIAL CAIXA | remover filial FILIAL
//   totem-server reativar caixa FILIAL CAIXA | reativar filial FILIAL
//   totem-server purgar [--simular]
#include "server/store/cadastro_removal.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace totem::server {

struct CadastroOptions {
  enum class Acao { Remover, Reativar, Purgar };
  std::string database;
  Acao acao = Acao::Remover;
  CadastroAlvo alvo;     // not for Purgar
  bool simular = false;  // Purgar: list only
  std::optional<std::string> autor;
};

// The three commands on the program's command line; Finish turns the one
// given (if any) into its options.
class CadastroCommands {
 public:
  // prepare is applied to each command before its options are added.
  CadastroCommands(CLI::App& app, const std::function<void(CLI::App&)>& prepare);
  bool Parsed() const;
  // Throws UsageError for a kind other than "caixa"/"filial" or codes that
  // do not fit it.
  CadastroOptions Finish(const std::string& database) const;
  std::vector<CLI::App*> Commands() const { return {remover_, reativar_, purgar_}; }

 private:
  CLI::App* remover_;
  CLI::App* reativar_;
  CLI::App* purgar_;
  struct Target {
    std::string kind, cdFilial, cdCaixa;
  };
  Target removerTarget_, reativarTarget_;
  bool simular_ = false;
  std::string autor_;
  std::vector<CLI::Option*> autorOptions_;
};

// Reports on out/err; returns the process exit code: 1 when the target does
// not exist, is already in the state asked for, or the database fails.
// "removido" said of the target ("removida" of a branch).
std::string Agreed(const CadastroAlvo& alvo, const std::string& word);

int RunCadastro(const CadastroOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
