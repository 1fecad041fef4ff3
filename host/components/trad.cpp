#include "host/components/trad.h"

#include "host/components/touch_style.h"

#include <QFontDatabase>
#include <QLocale>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace totem::host {
namespace {

constexpr const char* kDone = "totemTradDone";
constexpr double kDesignDpi = 96.0;

bool Installed(const QString& family) {
  static const QStringList families = QFontDatabase::families();
  return families.contains(family, Qt::CaseInsensitive);
}

void AdjustFont(QWidget* widget) {
  QFont font = widget->font();
  bool changed = false;
  if (!Installed(font.family())) {
    font.setFamilies({ClosestSansFamily()});
    // Full hinting flattens the accents of small text ("não" reads "nāo").
    font.setHintingPreference(QFont::PreferNoHinting);
    changed = true;
  }
  if (font.pixelSize() <= 0 && font.pointSizeF() > 0) {
    font.setPixelSize(static_cast<int>(std::lround(font.pointSizeF() * kDesignDpi / 72.0)));
    changed = true;
  }
  if (changed) widget->setFont(font);
}

}  // namespace

void Trad(QWidget* form) {
  if (!form || form->property(kDone).toBool()) return;
  form->setProperty(kDone, true);
  form->setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
  AdjustFont(form);
  for (QWidget* child : form->findChildren<QWidget*>())
    if (child->testAttribute(Qt::WA_SetFont)) AdjustFont(child);
}

}  // namespace totem::host
