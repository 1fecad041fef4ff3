#include "host/components/value_display.h"

#include "host/components/error_handling.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace totem::host {

TValueDisplay::TValueDisplay(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QRect TValueDisplay::TextRect() const {
  QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  const int indent = this->indent() > 0 ? this->indent() : 0;
  if (alignment() & Qt::AlignRight)
    area.setRight(area.right() - indent);
  else
    area.setLeft(area.left() + indent);
  return area;
}

QString TValueDisplay::ShownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideRight, TextRect().width());
}

bool TValueDisplay::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    if (Elided())
      QToolTip::showText(help->globalPos(), text(), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QLabel::event(event);
}

void TValueDisplay::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (OnTap && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    RunGuarded(OnTap);
}

void TValueDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
  painter.setFont(font());
  painter.drawText(TextRect(), static_cast<int>(alignment()), ShownText());
}

}  // namespace totem::host
