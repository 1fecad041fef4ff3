#include "form/glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace totem::form {
namespace {

const QColor kInk(24, 32, 96);
const QColor kGreen(0, 128, 0);
const QColor kRed(176, 32, 32);

void Arrow(QPainter& p, int s, bool left, bool bar) {
  QPainterPath path;
  const double m = s * 0.22, mid = s / 2.0;
  if (left) {
    path.moveTo(s - m, m);
    path.lineTo(m + (bar ? s * 0.12 : 0), mid);
    path.lineTo(s - m, s - m);
  } else {
    path.moveTo(m, m);
    path.lineTo(s - m - (bar ? s * 0.12 : 0), mid);
    path.lineTo(m, s - m);
  }
  path.closeSubpath();
  p.fillPath(path, kInk);
  if (bar) {
    const double x = left ? m : s - m - s * 0.08;
    p.fillRect(QRectF(x, m, s * 0.08, s - 2 * m), kInk);
  }
}

}  // namespace

QPixmap DrawSymbol(Symbol symbol, int s) {
  QPixmap pixmap(s, s);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(kInk, s / 10.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  switch (symbol) {
    case Symbol::Tick: {
      p.setPen(QPen(kInk, s / 16.0));
      p.setBrush(Qt::white);
      p.drawRoundedRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8), s * 0.08, s * 0.08);
      p.setPen(QPen(kGreen, s / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPainterPath tick;
      tick.moveTo(s * 0.25, s * 0.52);
      tick.lineTo(s * 0.43, s * 0.70);
      tick.lineTo(s * 0.76, s * 0.30);
      p.setBrush(Qt::NoBrush);
      p.drawPath(tick);
      break;
    }
    case Symbol::Search:
      p.drawEllipse(QRectF(s * 0.18, s * 0.18, s * 0.45, s * 0.45));
      p.drawLine(QPointF(s * 0.56, s * 0.56), QPointF(s * 0.82, s * 0.82));
      break;
    case Symbol::Refresh:
      p.drawArc(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.6), 60 * 16, 280 * 16);
      p.setBrush(kInk);
      p.drawPolygon(QPolygonF(
          {QPointF(s * 0.62, s * 0.12), QPointF(s * 0.82, s * 0.28), QPointF(s * 0.58, s * 0.34)}));
      break;
    case Symbol::Cancel:
      p.setPen(QPen(kRed, s / 8.0, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(s * 0.25, s * 0.25), QPointF(s * 0.75, s * 0.75));
      p.drawLine(QPointF(s * 0.75, s * 0.25), QPointF(s * 0.25, s * 0.75));
      break;
    case Symbol::Confirm: {
      p.setPen(QPen(kGreen, s / 8.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      QPainterPath tick;
      tick.moveTo(s * 0.2, s * 0.52);
      tick.lineTo(s * 0.42, s * 0.74);
      tick.lineTo(s * 0.8, s * 0.28);
      p.drawPath(tick);
      break;
    }
    case Symbol::Exit:
      p.drawRect(QRectF(s * 0.22, s * 0.15, s * 0.4, s * 0.7));
      p.drawLine(QPointF(s * 0.45, s * 0.5), QPointF(s * 0.88, s * 0.5));
      p.drawLine(QPointF(s * 0.75, s * 0.37), QPointF(s * 0.88, s * 0.5));
      p.drawLine(QPointF(s * 0.75, s * 0.63), QPointF(s * 0.88, s * 0.5));
      break;
    case Symbol::First:
      Arrow(p, s, true, true);
      break;
    case Symbol::Prior:
      Arrow(p, s, true, false);
      break;
    case Symbol::Next:
      Arrow(p, s, false, false);
      break;
    case Symbol::Last:
      Arrow(p, s, false, true);
      break;
    case Symbol::PagePrior:
      p.drawRect(QRectF(s * 0.3, s * 0.15, s * 0.55, s * 0.7));
      Arrow(p, s * 7 / 10, true, false);
      break;
    case Symbol::PageNext:
      p.drawRect(QRectF(s * 0.15, s * 0.15, s * 0.55, s * 0.7));
      p.translate(s * 0.3, s * 0.3);
      Arrow(p, s * 7 / 10, false, false);
      break;
    case Symbol::Keyboard:
      p.setPen(QPen(kInk, s / 14.0));
      p.drawRoundedRect(QRectF(s * 0.1, s * 0.28, s * 0.8, s * 0.44), s * 0.06, s * 0.06);
      for (int row = 0; row < 2; ++row)
        for (int k = 0; k < 5; ++k)
          p.fillRect(QRectF(s * (0.18 + k * 0.13), s * (0.36 + row * 0.12), s * 0.08, s * 0.07),
                     kInk);
      break;
    case Symbol::Keypad:
      p.setPen(QPen(kInk, s / 14.0));
      p.drawRoundedRect(QRectF(s * 0.22, s * 0.1, s * 0.56, s * 0.8), s * 0.06, s * 0.06);
      for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 3; ++k)
          p.fillRect(QRectF(s * (0.3 + k * 0.15), s * (0.22 + row * 0.2), s * 0.09, s * 0.1), kInk);
      break;
    case Symbol::Building:
      p.setPen(QPen(kInk, s / 14.0));
      p.drawRect(QRectF(s * 0.2, s * 0.3, s * 0.6, s * 0.55));
      p.drawPolyline(QPolygonF(
          {QPointF(s * 0.12, s * 0.34), QPointF(s * 0.5, s * 0.1), QPointF(s * 0.88, s * 0.34)}));
      p.fillRect(QRectF(s * 0.42, s * 0.6, s * 0.16, s * 0.25), kInk);
      break;
    case Symbol::Copy:  // two sheets, one over the other
      p.setPen(QPen(kInk, s / 14.0));
      p.drawRoundedRect(QRectF(s * 0.14, s * 0.12, s * 0.48, s * 0.56), s * 0.05, s * 0.05);
      p.setBrush(Qt::white);
      p.drawRoundedRect(QRectF(s * 0.38, s * 0.32, s * 0.48, s * 0.56), s * 0.05, s * 0.05);
      break;
    case Symbol::History:  // a clock face with its hands
      p.setPen(QPen(kInk, s / 14.0));
      p.drawEllipse(QRectF(s * 0.14, s * 0.14, s * 0.72, s * 0.72));
      p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.5, s * 0.26));
      p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.68, s * 0.6));
      break;
  }
  return pixmap;
}

QPixmap TickedBox() { return DrawSymbol(Symbol::Tick, 40); }

}  // namespace totem::form
