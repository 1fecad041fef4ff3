#include "form/message_table.h"

namespace totem::form {

QStringList MensagensPadrao() {
  return {
      QStringLiteral("FILIAL|Filial "),
      QStringLiteral("Operador|Operador "),
      QStringLiteral("Versao|Versão "),
      QStringLiteral("Parametro|Parametrização"),
      QStringLiteral("MESA_INF|Mesa padrão deve ser informada."),
      QStringLiteral("PERC_INF|Percentual deve ser informado."),
      QStringLiteral("COUVER_INF|Produto couver deve ser informado."),
      QStringLiteral("GARC_INF|Garçom deve ser informado."),
      QStringLiteral("CONSUM_INF|Produto consumação deve ser informado."),
      QStringLiteral("PRODCOM_INF|Produto por taxa deve ser informado."),
      QStringLiteral("N_CAIXA_CAD|Não há caixa cadastrado para a loja informada."),
      QStringLiteral("Loja|Loja"),
      QStringLiteral("Caixa|Caixa"),
      QStringLiteral("PARCAIXA|Parametrização do Sistema Restaurante - Parâmetros do Caixa"),
      QStringLiteral("PARLOJA|Parametrização do Sistema Restaurante - Parâmetros da Loja"),
      QStringLiteral("PERCENTUAL|Informe o percentual"),
      QStringLiteral("GRUP_INF|Grupo de produtos deve ser informado."),
      QStringLiteral("DTMAIOR|Data final não pode ser menor que a data inicial"),
      QStringLiteral("DTMENOR|Data inicial não pode ser maior que a data final"),
      QStringLiteral("TEMPO|informe o tempo para finalizar a consulta."),
      QStringLiteral("DTINF|Data invalida."),
      QStringLiteral("CAIXA_N|Caixa não cadastrado."),
      QStringLiteral("DIAINI|Informe o dia inicial"),
      QStringLiteral("DIAFIN|Informe o Dia Final"),
  };
}

}  // namespace totem::form
