#include "server/cli/cadastro_command.h"

#include "server/cli/command_author.h"
#include "server/cli/command_line.h"
#include "server/cli/database_lock.h"
#include "server/cli/history_command.h"
#include "server/log/server_log.h"

#include <ostream>

namespace totem::server {
namespace {

std::string Named(const CadastroAlvo& alvo) {
  return alvo.cdCaixa.empty() ? "filial " + alvo.cdFilial
                              : "caixa " + alvo.cdCaixa + " da filial " + alvo.cdFilial;
}

std::string Codes(const CadastroAlvo& alvo) {
  return alvo.cdCaixa.empty() ? "filial " + alvo.cdFilial
                              : "caixa " + alvo.cdFilial + " " + alvo.cdCaixa;
}

std::string Listed(const std::vector<CadastroAlvo>& alvos) {
  std::string out;
  for (const auto& alvo : alvos) out += (out.empty() ? "" : ", ") + Named(alvo);
  return out;
}

// A target that is not stored: refused, with the codes the person probably
// meant when some differ only in leading zeros.
int NotFound(Store& store, const CadastroAlvo& alvo, std::ostream& err) {
  err << "totem-server: " << Named(alvo) << " não está " << Agreed(alvo, "cadastrado");
  if (const auto similar = SimilarCodes(store, alvo); !similar.empty())
    err << "; com outros zeros à esquerda há: " << Listed(similar)
        << " (dê o código exatamente como está cadastrado)";
  err << "\ntotem-server: nada foi alterado\n";
  return 1;
}

int Purge(Store& store, const CadastroOptions& options, const Caller& author, std::ostream& out) {
  const auto removals = ListRemovals(store);
  if (removals.empty()) {
    out << "Nada a purgar: nenhuma filial ou caixa está removido.\n";
    return 0;
  }
  out << (options.simular ? "Seriam apagados" : "Apagados")
      << ", com os parâmetros e o histórico dos caixas:\n";
  for (const auto& r : removals)
    out << "  " << Named(r.alvo) << " (" << Agreed(r.alvo, "removido") << " em " << r.quando
        << " por " << r.autor << ")\n";
  if (options.simular) return 0;
  auto tx = store.BeginWrite();
  const auto deleted = PurgeRemoved(*tx, UtcTimestamp(), author.token);
  tx->Commit();
  out << deleted.size()
      << (deleted.size() == 1 ? " cadastro apagado.\n" : " cadastros apagados.\n");
  return 0;
}

}  // namespace

std::string Agreed(const CadastroAlvo& alvo, const std::string& word) {
  return alvo.cdCaixa.empty() && !word.empty() && word.back() == 'o'
             ? word.substr(0, word.size() - 1) + "a"
             : word;
}

CadastroCommands::CadastroCommands(CLI::App& app, const std::function<void(CLI::App&)>& prepare) {
  auto target = [&](CLI::App* command, Target& t) {
    prepare(*command);
    command->add_option("O_QUE", t.kind, "caixa ou filial")->required()->configurable(false);
    command->add_option("FILIAL", t.cdFilial, "código da filial, como está cadastrado")
        ->required()
        ->configurable(false);
    command->add_option("CAIXA", t.cdCaixa, "código do caixa (só para caixa)")->configurable(false);
  };
  remover_ = app.add_subcommand(
      "remover",
      "remove um caixa ou uma filial (com seus caixas): some da tela e dos totens, "
      "fica guardado até purgar");
  target(remover_, removerTarget_);
  reativar_ = app.add_subcommand("reativar", "traz de volta um caixa ou uma filial removidos");
  target(reativar_, reativarTarget_);
  purgar_ =
      app.add_subcommand("purgar", "apaga de vez o que foi removido, com parâmetros e histórico");
  prepare(*purgar_);
  purgar_->add_flag("--simular", simular_, "só lista o que seria apagado")->configurable(false);
  for (auto* command : Commands())
    autorOptions_.push_back(command
                                ->add_option("--autor", autor_,
                                             "quem o histórico registra (padrão: quem chamou "
                                             "o sudo, ou o usuário que roda o comando)")
                                ->option_text("NOME")
                                ->configurable(false));
}

bool CadastroCommands::Parsed() const {
  for (auto* command : Commands())
    if (command->parsed()) return true;
  return false;
}

CadastroOptions CadastroCommands::Finish(const std::string& database) const {
  CadastroOptions options;
  options.database = database;
  for (auto* option : autorOptions_)
    if (option->count()) options.autor = CheckAuthor(autor_);
  if (purgar_->parsed()) {
    options.acao = CadastroOptions::Acao::Purgar;
    options.simular = simular_;
    return options;
  }
  const bool removing = remover_->parsed();
  options.acao = removing ? CadastroOptions::Acao::Remover : CadastroOptions::Acao::Reativar;
  const Target& t = removing ? removerTarget_ : reativarTarget_;
  const std::string command = removing ? "remover" : "reativar";
  if (t.kind == "filial" && !t.cdCaixa.empty())
    throw UsageError(command + " filial leva só o código da filial (para um caixa: " + command +
                     " caixa FILIAL CAIXA)");
  if (t.kind == "caixa" && t.cdCaixa.empty())
    throw UsageError(command + " caixa precisa de FILIAL e CAIXA");
  if (t.kind != "caixa" && t.kind != "filial")
    throw UsageError(command + " sabe tratar \"caixa\" ou \"filial\", não \"" + t.kind + "\"");
  options.alvo = {t.cdFilial, t.cdCaixa};
  return options;
}

int RunCadastro(const CadastroOptions& options, std::ostream& out, std::ostream& err) {
  try {
    // A restore waits for the command to end (database_lock.h).
    const DatabaseLock lock =
        options.simular ? DatabaseLock() : LockForWriting(options.database, false);
    auto store = OpenExistingStore(options.database);
    const bool removing = options.acao == CadastroOptions::Acao::Remover;
    const Caller author = CommandAuthor(options.acao == CadastroOptions::Acao::Purgar ? "purgar"
                                        : removing                                    ? "remover"
                                                                                      : "reativar",
                                        options.autor);
    if (options.acao == CadastroOptions::Acao::Purgar) return Purge(*store, options, author, out);

    const CadastroAlvo& alvo = options.alvo;
    const CadastroEstado state = StateOf(*store, alvo);
    if (!state.existe) return NotFound(*store, alvo, err);
    if (removing == state.remocao.has_value()) {
      err << "totem-server: " << Named(alvo)
          << (removing ? " já está " + Agreed(alvo, "removido") + " (em " + state.remocao->quando +
                             " por " + state.remocao->autor + ")"
                       : " não está " + Agreed(alvo, "removido"))
          << "\ntotem-server: nada foi alterado\n";
      return 1;
    }
    auto tx = store->BeginWrite();
    const bool changed = removing ? MarkRemoved(*tx, alvo, UtcTimestamp(), author.token)
                                  : MarkInUse(*tx, alvo, UtcTimestamp(), author.token);
    if (!changed) {  // changed by someone else since it was read
      err << "totem-server: " << Named(alvo) << " mudou enquanto era lido; tente de novo\n";
      return 1;
    }
    tx->Commit();
    if (removing)
      out << Named(alvo) << " " << Agreed(alvo, "removido") << " por " << author.token
          << (alvo.cdCaixa.empty() ? ", com seus caixas" : "")
          << ": a tela não mostra mais e os totens recebem 404. Volta com: totem-server reativar "
          << Codes(alvo) << "\n";
    else
      out << Named(alvo) << " de volta, por " << author.token << ".\n";
    if (!alvo.cdCaixa.empty() && StateOf(*store, {alvo.cdFilial, ""}).remocao)
      out << "A filial " << alvo.cdFilial
          << " está removida: seus caixas só voltam com ela (totem-server reativar filial "
          << alvo.cdFilial << ").\n";
    return 0;
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace totem::server
