#include "server/cli/desfazer_command.h"

#include "server/cli/command_author.h"
#include "server/cli/command_line.h"
#include "server/cli/database_lock.h"
#include "server/cli/history_command.h"
#include "server/domain/parametros_module.h"

#include "platform/parametros_contract.h"

#include <ostream>

namespace totem::server {
namespace {

std::string Text(const PacketValue& value) { return value.value_or(""); }

// The rows of a preview, one register at a time: its heading line, then
// one line per value that would change.
std::string Preview(const DataPacket& packet) {
  std::string out;
  std::string shown;
  for (const PacketRow& row : packet.rows) {
    const std::string caixa = Text(row[0]) + "/" + Text(row[1]);
    const std::string situacao = Text(row[2]);
    if (caixa != shown) {
      shown = caixa;
      out += "  caixa " + caixa + ": ";
      if (situacao == contract::kSituacaoAltera || situacao == contract::kSituacaoRestaura)
        out += "volta aos valores de antes";
      else if (situacao == contract::kSituacaoIgual)
        out += "já tem esses valores";
      else if (situacao == contract::kSituacaoMantido)
        out += "fica como está, gravado depois da cópia em " + Text(row[6]) + " por " +
               (Text(row[7]).empty() ? "-" : Text(row[7]));
      else if (situacao == contract::kSituacaoDesfeito)
        out += "fica como está, a cópia já foi desfeita nele";
      else
        out += "fica como está, o caixa não está cadastrado";
      out += "\n";
    }
    const std::string campo = Text(row[3]);
    if (const auto index = contract::RecordIndex(campo)) {
      const std::string before = Text(row[4]);
      AppendChange(out, contract::kRecord[*index], &before, Text(row[5]));
    }
  }
  return out;
}

// One count and its noun, in the singular for 1.
std::string Count(const std::string& n, const std::string& one, const std::string& many) {
  return n + " " + (n == "1" ? one : many);
}

int Refused(const ResultEnvelope& envelope, std::ostream& err) {
  err << "totem-server: " << envelope.message << "\ntotem-server: nada foi alterado\n";
  return 1;
}

int Restaurar(ParametrosModule& module, const DesfazerOptions& o, const Caller& author,
              std::ostream& out, std::ostream& err) {
  const auto preview = module.GetRestauraPrevia(o.cdFilial, o.cdCaixa, o.numero, author);
  if (!preview.ok) return Refused(preview, err);
  out << "Restaurar o caixa " << o.cdCaixa << " da filial " << o.cdFilial << " à gravação "
      << o.numero << ":\n"
      << Preview(*preview.packet);
  if (o.simular) {
    out << "Simulação: nada foi gravado.\n";
    return 0;
  }
  const auto done = module.SetRestauraParametros(o.cdFilial, o.cdCaixa, o.numero, author);
  if (!done.ok) return Refused(done, err);
  out << "Restaurado por " << author.token << ": gravação " << Text(done.packet->rows[0][0])
      << " do caixa.\n";
  return 0;
}

int DesfazerCopia(ParametrosModule& module, const DesfazerOptions& o, const Caller& author,
                  std::ostream& out, std::ostream& err) {
  const auto preview = module.GetDesfazCopiaPrevia(o.numero, author);
  if (!preview.ok) return Refused(preview, err);
  out << "Desfazer a cópia " << o.numero << ":\n" << Preview(*preview.packet);
  if (o.simular) {
    out << "Simulação: nada foi gravado.\n";
    return 0;
  }
  const auto done = module.SetDesfazCopia(o.numero, author);
  if (!done.ok) return Refused(done, err);
  const PacketRow& counts = done.packet->rows[0];
  out << "Cópia " << o.numero << " desfeita por " << author.token << ": "
      << Count(Text(counts[0]), "caixa restaurado", "caixas restaurados") << ", "
      << Count(Text(counts[1]), "mantido", "mantidos") << ".\n";
  return 0;
}

}  // namespace

DesfazerCommands::DesfazerCommands(CLI::App& app, const std::function<void(CLI::App&)>& prepare) {
  restaurar_ = app.add_subcommand(
      "restaurar", "volta os parâmetros de um caixa aos de uma gravação anterior do histórico");
  prepare(*restaurar_);
  restaurar_->add_option("FILIAL", restaurarOptions_.cdFilial, "código da filial")
      ->required()
      ->configurable(false);
  restaurar_->add_option("CAIXA", restaurarOptions_.cdCaixa, "código do caixa")
      ->required()
      ->configurable(false);
  restaurar_
      ->add_option("GRAVACAO", restaurarOptions_.numero,
                   "número da gravação (0: como era antes da primeira)")
      ->required()
      ->configurable(false);
  desfazer_ = app.add_subcommand(
      "desfazer-copia",
      "volta ao que eram antes de uma cópia os caixas que ela alterou e ninguém gravou depois");
  prepare(*desfazer_);
  desfazer_->add_option("COPIA", desfazerOptions_.numero, "número da cópia (IDCOPIA no histórico)")
      ->required()
      ->configurable(false);
  for (auto* command : Commands()) {
    auto& options = command == restaurar_ ? restaurarOptions_ : desfazerOptions_;
    command->add_flag("--simular", options.simular, "só mostra o que mudaria, sem gravar")
        ->configurable(false);
    autorOptions_.push_back(command
                                ->add_option("--autor", autor_,
                                             "quem o histórico registra (padrão: quem chamou "
                                             "o sudo, ou o usuário que roda o comando)")
                                ->option_text("NOME")
                                ->configurable(false));
  }
}

DesfazerOptions DesfazerCommands::Finish(const std::string& database) const {
  DesfazerOptions options = desfazer_->parsed() ? desfazerOptions_ : restaurarOptions_;
  options.copia = desfazer_->parsed();
  options.database = database;
  for (auto* option : autorOptions_)
    if (option->count()) options.autor = CheckAuthor(autor_);
  return options;
}

int RunDesfazer(const DesfazerOptions& options, std::ostream& out, std::ostream& err) {
  try {
    // A restore of a backup waits for the command to end (database_lock.h).
    const DatabaseLock lock =
        options.simular ? DatabaseLock() : LockForWriting(options.database, false);
    auto store = OpenExistingStore(options.database);
    ParametrosModule module(*store);
    const Caller author =
        CommandAuthor(options.copia ? "desfazer-copia" : "restaurar", options.autor);
    return options.copia ? DesfazerCopia(module, options, author, out, err)
                         : Restaurar(module, options, author, out, err);
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace totem::server
