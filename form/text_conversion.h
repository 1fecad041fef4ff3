#pragma once
// The screen keeps its working values as UTF-8 std::string, as the service
// layer and the module's variables do; Qt's controls hold QString. These
// two cross between them.
#include <QString>

#include <string>

namespace totem::form {

inline QString QtText(const std::string& text) { return QString::fromStdString(text); }
inline std::string Utf8Text(const QString& text) { return text.toStdString(); }

}  // namespace totem::form
