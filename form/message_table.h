#pragma once
#include <QStringList>

namespace totem::form {

// The screen's keyed texts, "KEY|text", in the order the table holds them.
QStringList MensagensPadrao();

}  // namespace totem::form
