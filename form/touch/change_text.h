#pragma once
// How the copy's preview and the history say one value changed:
// "Mensagem Inicial: «Olá» → «Bem-vindo»", an empty value as "(vazio)".
#include "form/touch/register_dialogs.h"

#include <QString>

#include <string>

namespace totem::form {

QString ChangeText(const FieldLabels& labels, const std::string& field, const std::string& before,
                   const std::string& after);

}  // namespace totem::form
