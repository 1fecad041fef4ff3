#include "host/components/messages.h"

namespace totem::host {

QString TMessages::Msg(const QString& key) const {
  for (const QString& line : lines_) {
    const qsizetype bar = line.indexOf(QLatin1Char('|'));
    if (bar < 0) continue;
    if (QStringView(line).left(bar).compare(key, Qt::CaseInsensitive) == 0)
      return line.mid(bar + 1);
  }
  return {};
}

}  // namespace totem::host
