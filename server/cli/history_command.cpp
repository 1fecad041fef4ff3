#include "server/cli/history_command.h"

#include "server/cli/cadastro_command.h"

#include "platform/parametros_contract.h"
#include "server/store/cadastro_removal.h"
#include "server/store/store_factory.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace totem::server {
namespace {

// Quoted with JSON's escapes, so blanks, line breaks and empty values show.
std::string Quoted(const std::string& value) {
  return nlohmann::json(value).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

void AppendChange(std::string& out, const contract::RecordField& field, const std::string* before,
                  const std::string& after) {
  out += "    ";
  out += field.label;
  out += " (";
  out += field.column.name;
  out += "): ";
  out += before ? Quoted(*before) : "-";
  out += " -> ";
  out += Quoted(after);
  out += '\n';
}

std::string FormatGravacoes(const std::string& cdFilial, const std::string& cdCaixa,
                            const std::vector<GravacaoParametro>& gravacoes,
                            const std::vector<Restauracao>& restauracoes) {
  std::string out =
      "Histórico dos parâmetros do caixa " + cdCaixa + " da filial " + cdFilial + ": ";
  if (gravacoes.empty())
    out += "nenhuma gravação.\n";
  else
    out += std::to_string(gravacoes.size()) +
           (gravacoes.size() == 1 ? " gravação.\n" : " gravações.\n");
  // Both times are UTC text of one shape: they sort as text.
  auto restore = restauracoes.begin();
  const auto restoresUntil = [&](const std::string& quando) {
    for (; restore != restauracoes.end() && restore->quando < quando; ++restore)
      out += "restaurado de " + restore->arquivo + " por " + restore->autor + " em " +
             restore->quando + "\n";
  };
  for (const auto& g : gravacoes) {
    restoresUntil(g.quando);
    out += "#" + std::to_string(g.numero) + "  " + g.quando + "  token " +
           (g.token.empty() ? "-" : g.token) + "  cliente " + (g.cliente.empty() ? "-" : g.cliente);
    // Where the values came from, when not from the screen or an import.
    if (!g.origem.empty())
      out += "  (cópia " + (g.copia ? std::to_string(*g.copia) + " " : "") + "de " + g.origem + ")";
    if (g.restaurada) out += "  (volta à gravação " + std::to_string(*g.restaurada) + ")";
    if (g.desfeita) out += "  (desfaz a cópia " + std::to_string(*g.desfeita) + ")";
    if (g.semParametro) out += "  (deixou o caixa sem parâmetros)";
    out += g.antes ? "\n" : "  (primeira gravação)\n";
    bool changed = false;
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
      const std::string& after = g.depois.values[i];
      const std::string* before = g.antes ? &g.antes->values[i] : nullptr;
      if (before && *before == after) continue;
      AppendChange(out, contract::kRecord[i], before, after);
      changed = true;
    }
    if (!changed) out += "    (nenhum valor alterado)\n";
  }
  restoresUntil("\x7f");  // the rest, after every save
  return out;
}

std::unique_ptr<Store> OpenExistingStore(const std::string& database) {
  return OpenStore(database, false);
}

int RunHistory(const HistoryOptions& options, std::ostream& out, std::ostream& err) {
  try {
    auto store = OpenExistingStore(options.database);
    out << FormatGravacoes(options.cdFilial, options.cdCaixa,
                           store->ListGravacoes(options.cdFilial, options.cdCaixa),
                           ListRestauracoes(*store));
    // Removals and returns of the register and of its branch.
    for (const CadastroEvento& e : ListCadastroEventos(*store, options.cdFilial, options.cdCaixa))
      out << e.quando << "  " << (e.alvo.cdCaixa.empty() ? "filial " + e.alvo.cdFilial : "caixa")
          << " " << Agreed(e.alvo, e.evento) << " por " << e.autor << "\n";
    return 0;
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace totem::server
