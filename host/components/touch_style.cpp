#include "host/components/touch_style.h"

#include <QFontDatabase>

namespace totem::host {

QString ClosestSansFamily() {
  static const QString family = [] {
    static const char* const kPreferred[] = {"Liberation Sans", "Arimo",     "Arial",
                                             "Nimbus Sans",     "Noto Sans", "DejaVu Sans"};
    const QStringList installed = QFontDatabase::families();
    for (const char* name : kPreferred)
      if (installed.contains(QString::fromLatin1(name), Qt::CaseInsensitive))
        return QString::fromLatin1(name);
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  }();
  return family;
}

QFont TouchFont(int pixelSize, bool bold) {
  QFont font(ClosestSansFamily());
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  // Full hinting flattens small diacritics at these sizes: the tilde of "ã"
  // turns into a bar.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

}  // namespace totem::host
