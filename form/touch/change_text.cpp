#include "form/touch/change_text.h"

namespace totem::form {
namespace {

QString Shown(const std::string& value) {
  return value.empty() ? QStringLiteral("(vazio)")
                       : QStringLiteral("«") + QString::fromStdString(value) + QStringLiteral("»");
}

}  // namespace

QString ChangeText(const FieldLabels& labels, const std::string& field, const std::string& before,
                   const std::string& after) {
  // A value the screen has no label for goes by its field name.
  const auto label = labels.find(field);
  const QString name = label != labels.end() ? label->second : QString::fromStdString(field);
  return name + QStringLiteral(": ") + Shown(before) + QStringLiteral(" → ") + Shown(after);
}

}  // namespace totem::form
