#pragma once
// How the copy's preview and the history say one value changed:
// "Mensagem Inicial: «Olá» → «Bem-vindo»", an empty value as "(vazio)".
#include "host/components/dialog_provider.h"

#include <QString>

#include <string>

namespace totem::touch {

QString ChangeText(const host::FieldLabels& labels, const std::string& field,
                   const std::string& before, const std::string& after);

}  // namespace totem::touch
