#include "server/cli/command_line.h"

#include "server/cli/limit_options.h"

namespace totem::server {

std::string HelpText() {
  return std::string(R"(Uso:
  totem-server [--db sqlite:CAMINHO] [--listen HOST:PORTA] [--demo]
               [--token-file ARQUIVO | --insecure-listen-any]
               [--tls-cert ARQUIVO --tls-key ARQUIVO] [--trusted-proxy ENDEREÇO]
               [--max-body BYTES] [--max-header BYTES] [--max-connections N]
               [--workers N] [--keep-alive-requests N] [--keep-alive-timeout S]
               [--head-timeout S] [--body-timeout S] [--write-timeout S]
  totem-server import [--db sqlite:CAMINHO] ARQUIVO.csv...
  totem-server history [--db sqlite:CAMINHO] --branch FILIAL --register CAIXA

Servidor de aplicação dos parâmetros do totem: atende o módulo remoto
"Ksl80500.rdmParametrosToten" por HTTP (POST /rpc/Ksl80500.rdmParametrosToten,
JSON-RPC 2.0), mais GET /healthz (a base responde e aceita gravações?) e GET /metrics
(formato do Prometheus).

Opções do servidor:
  --db sqlite:CAMINHO   base SQLite, criada com o esquema na primeira vez
                        (padrão: $XDG_DATA_HOME/totem/totem.db ou
                        ~/.local/share/totem/totem.db); ou
                        postgresql://USUARIO@HOST:PORTA/BASE
  --listen HOST:PORTA   endereço de escuta (padrão 127.0.0.1:8080; porta 0
                        escolhe uma livre). Quando pronto, escreve uma linha
                        "listening on HOST:PORTA" na saída padrão.
  --demo                preenche uma base vazia com uma rede de lojas de
                        demonstração
  --token-file ARQUIVO  exige "Authorization: Bearer <token>" com um dos
                        tokens do arquivo, um por linha com seu nome:
                        "NOME TOKEN" ou "NOME:TOKEN" (token com pelo menos 16
                        caracteres; linhas vazias e começadas por # são
                        ignoradas). O nome vai para o log e o histórico.
  --insecure-listen-any sem --token-file o servidor só escuta em loopback;
                        esta opção permite outro endereço SEM exigir token
  --tls-cert ARQUIVO    certificado (PEM, com a cadeia) e chave: atende
  --tls-key ARQUIVO     HTTPS em vez de HTTP
  --trusted-proxy END.  proxy reverso (ex.: o nginx) cujo X-Forwarded-For
                        indica o cliente no log e no histórico; repetível
)" + LimitOptionsHelp() + R"(
Importação (upsert; uma transação por arquivo; o tipo vem do cabeçalho):
  CDFILIAL,NMFILIAL                                  filiais
  CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA             caixas
  CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN]
                                                     grupos de produtos
  Uma linha inválida interrompe a importação daquele arquivo sem gravar
  nada dele; a saída indica arquivo e linha, e o código de saída é 1.

Histórico: history lista as gravações dos parâmetros de um caixa, da mais
antiga à mais nova: quando, token, cliente e cada campo alterado com o
valor anterior e o novo.

SIGTERM ou SIGINT encerram o servidor depois de responder as chamadas em
andamento.
)");
}


}  // namespace totem::server
