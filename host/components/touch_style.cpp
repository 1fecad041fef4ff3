#include "host/components/touch_style.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontDatabase>
#include <QProxyStyle>
#include <QScroller>
#include <QScrollerProperties>

#include <algorithm>
#include <cmath>

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

namespace {
double g_touchScale = 1.0;
}

void SetTouchScale(double factor) { g_touchScale = factor > 0 ? factor : 1.0; }

double TouchScale() { return g_touchScale; }

int Scaled(int pixels) {
  if (g_touchScale == 1.0 || pixels == 0) return pixels;
  return std::max(1, static_cast<int>(std::lround(pixels * g_touchScale)));
}

QSize Scaled(QSize size) { return {Scaled(size.width()), Scaled(size.height())}; }

QRect Scaled(QRect rect) {
  // Edges scaled, not sizes: neighbours that touched still touch.
  const int left = Scaled(rect.left()), top = Scaled(rect.top());
  return QRect(QPoint(left, top), QPoint(Scaled(rect.left() + rect.width()) - 1,
                                         Scaled(rect.top() + rect.height()) - 1));
}

int LegiblePixels(int pixels) {
  return std::max(Scaled(pixels), std::min(pixels, kSmallestTextPixels));
}

QFont TouchFont(int pixelSize, bool bold) {
  QFont font(ClosestSansFamily());
  font.setPixelSize(LegiblePixels(pixelSize));
  font.setBold(bold);
  // Full hinting flattens small diacritics at these sizes: the tilde of "ã"
  // turns into a bar.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

namespace {

class FingerScrollBarStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_ScrollBarExtent) return kFingerScrollBarWidth;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

void InstallFingerScrollBars() { QApplication::setStyle(new FingerScrollBarStyle); }

void EnableFingerScrolling(QAbstractScrollArea* area) {
  // Touch screens of shops mostly report a finger as the left mouse button;
  // real touch events reach Qt as that button too.
  QScroller::grabGesture(area->viewport(), QScroller::LeftMouseButtonGesture);
  QScroller* scroller = QScroller::scroller(area->viewport());
  QScrollerProperties properties = scroller->scrollerProperties();
  // A list shorter than its box stays still instead of bouncing.
  properties.setScrollMetric(QScrollerProperties::HorizontalOvershootPolicy,
                             QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
  properties.setScrollMetric(QScrollerProperties::VerticalOvershootPolicy,
                             QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
  scroller->setScrollerProperties(properties);
  // Scrolling by pixels follows the finger exactly; by rows it jumps.
  if (auto* view = qobject_cast<QAbstractItemView*>(area)) {
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  }
}

}  // namespace totem::host
