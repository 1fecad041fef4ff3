#include "server/cli/command_help.h"

#include <memory>
#include <sstream>

namespace totem::server {
namespace {

constexpr std::size_t kHelpColumn = 30;
constexpr std::size_t kHelpWidth = 80;

// CLI11's help, with the descriptions wrapped to the terminal's usual width
// and "--call-log,--no-call-log" without CLI11's "{false}" mark.
class HelpFormatter : public CLI::Formatter {
 public:
  HelpFormatter() {
    column_width(kHelpColumn);
    for (auto [key, text] : {std::pair{"Usage", "Uso"},
                             {"OPTIONS", "OPÇÕES"},
                             {"SUBCOMMAND", "COMANDO"},
                             {"SUBCOMMANDS", "COMANDOS"},
                             {"Positionals", "Argumentos"},
                             {"REQUIRED", "(obrigatório)"},
                             {"TEXT", ""}})
      label(key, text);
  }
  std::string make_option_name(const CLI::Option* option, bool positional) const override {
    std::string name = CLI::Formatter::make_option_name(option, positional);
    if (auto mark = name.find('{'); mark != std::string::npos)
      name.erase(mark, name.find('}', mark) - mark + 1);
    return name;
  }
  std::string make_option_desc(const CLI::Option* option) const override {
    std::string out, line;
    std::istringstream words(CLI::Formatter::make_option_desc(option));
    for (std::string word; words >> word;) {
      if (!line.empty() && line.size() + 1 + word.size() > kHelpWidth - kHelpColumn) {
        out += line + "\n";
        line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
  }
};

}  // namespace

const char* const kAbout =
    R"(Servidor de aplicação dos parâmetros do totem: atende o módulo remoto
"Ksl80500.rdmParametrosToten" por HTTP (POST /rpc/Ksl80500.rdmParametrosToten,
JSON-RPC 2.0), os totens por GET /kiosk/v1/parametros/FILIAL/CAIXA (com
If-None-Match e ?aguardar=S, de 1 a 60 segundos, para esperar uma mudança),
mais GET /healthz (a base responde e aceita gravações?) e GET /metrics
(formato do Prometheus).)";

const char* const kServeFooter = R"(
As opções também podem vir de um arquivo de configuração (--config), uma por
linha, com o nome sem os traços: "db = sqlite:/var/lib/totem/totem.db",
"criar-banco = true", "workers = 16", "trusted-proxy = [10.0.0.4, 10.0.0.5]",
"call-log = false".
O que vier na linha de comando vale mais que o arquivo.

SIGHUP relê o arquivo de tokens sem interromper as chamadas. SIGTERM ou
SIGINT encerram o servidor depois de responder as chamadas em andamento.)";

const char* const kImportFooter = R"(
O tipo de cada arquivo vem do cabeçalho (upsert; uma transação por arquivo):
  CDFILIAL,NMFILIAL                                  filiais
  CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA             caixas
  CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN]
                                                     grupos de produtos
  CDFILIAL,CDCAIXA e os campos dos parâmetros        parâmetros dos totens
                                                     (o que export grava)
Separador vírgula ou ponto e vírgula (visto no cabeçalho); texto em UTF-8,
com ou sem BOM, ou Windows-1252. Uma linha inválida interrompe a importação
daquele arquivo sem gravar nada dele; a saída indica arquivo e linha, e o
código de saída é 1. Cada parâmetro alterado deixa uma linha no histórico
com o usuário que importou.
Um código de filial ou caixa só de algarismos e mais curto que a coluna
("305" em vez de "0305"), quando a base tem o código com zeros ou o arquivo
mistura tamanhos, é recusado (a planilha tirou os zeros à esquerda), ou
completado com --completar-zeros. Uma linha de parâmetros com VERSAO (o que
export grava) de um caixa gravado depois da exportação é recusada, ou gravada
por cima com --sobrescrever.)";

const char* const kBackupFooter = R"(
Só para base SQLite, e pode rodar com o servidor atendendo: usa a cópia online
do SQLite, grava com um nome temporário na pasta, confere a integridade e a
versão do esquema da cópia e só então lhe dá o nome com a hora em UTC
(totem-20261209T013900Z.db). Depois remove as cópias desse nome além das N
mais novas. Numa falha, sai com código 1 sem deixar arquivo parcial. No
PostgreSQL, use pg_dump (guia de operação).)";

const char* const kRestoreFooter = R"(
Só para base SQLite, com o servidor parado (sudo systemctl stop totem-server):
recusa enquanto um servidor usa a base. Confere o ARQUIVO (uma base deste
programa, íntegra, de esquema que ele conhece ou mais antigo), guarda a base
atual ao lado (totem.db.substituido-DATA) e põe a cópia no lugar, com o mesmo
dono e modo. O histórico dos caixas passa a mostrar a restauração e quem a fez.
No PostgreSQL, use pg_restore (guia de operação).)";

// The texts CLI11 puts around the options, in the help's language.
void Portuguese(CLI::App& app, const char* group) {
  app.formatter(std::make_shared<HelpFormatter>());
  app.option_defaults()->group(group);
  app.set_help_flag("-h,--help", "mostra esta ajuda e sai");
}

UsageError Translated(const CLI::ParseError& error, const std::string& config) {
  const std::string what = error.what();
  const std::string option = what.substr(0, what.find(':'));
  if (dynamic_cast<const CLI::FileError*>(&error))
    return UsageError("arquivo de configuração não encontrado ou ilegível: " + config);
  if (dynamic_cast<const CLI::ConfigError*>(&error))
    return UsageError("arquivo de configuração " + config + ": " +
                      (what.rfind("INI was not able to parse ", 0) == 0
                           ? "opção desconhecida: " + what.substr(26)
                           : what));
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error))
    return UsageError(
        what.find("At Most") != std::string::npos
            ? option +
                  " recebeu mais de um valor (no arquivo de configuração, um valor com espaços "
                  "vai entre aspas)"
            : option + " precisa de um valor");
  if (dynamic_cast<const CLI::RequiredError*>(&error))
    return UsageError("falta " + what.substr(0, what.find(' ')));
  if (dynamic_cast<const CLI::ValidationError*>(&error)) return UsageError(what);
  return UsageError(what);
}

}  // namespace totem::server
