#include "host/components/touch_button.h"

#include "host/components/error_handling.h"
#include "host/components/touch_style.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>

namespace totem::host {
namespace {

constexpr int kMargin = 4;
constexpr int kSpacing = 2;
constexpr int kRadius = 5;

}  // namespace

TTouchButton::TTouchButton(QWidget* parent) : QToolButton(parent), face_(TouchFaceColor()) {
  setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  setFocusPolicy(Qt::TabFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    RunGuarded([this] {
      if (OnClick) OnClick(this);
    });
  });
}

void TTouchButton::Click() {
  if (OnClick) OnClick(this);
}

void TTouchButton::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  update();
}

void TTouchButton::SetColor(const QColor& face) {
  face_ = face;
  update();
}

QSize TTouchButton::sizeHint() const { return {60, 58}; }
QSize TTouchButton::minimumSizeHint() const { return {40, 40}; }

void TTouchButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const bool down = isDown() || isChecked();
  PaintFace(painter, down);
  QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
  if (down) area.translate(1, 1);
  PaintContent(painter, area);
  if (hasFocus()) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(3, 3, -4, -4));
  }
}

void TTouchButton::PaintFace(QPainter& painter, bool down) const {
  QColor face = isEnabled() ? face_ : TouchDisabledFaceColor();
  if (down) face = face.darker(115);
  const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPainterPath path;
  path.addRoundedRect(box, kRadius, kRadius);
  painter.fillPath(path, face);

  // Light from the top left; pressed, the bevel turns round. A disabled
  // button lies flatter, its edges faint, so that only its caption stands
  // out and the button reads as out of use.
  const bool enabled = isEnabled();
  const QColor light = face.lighter(145);
  const QColor shadow = face.darker(enabled ? 165 : 125);
  const QRectF inner = box.adjusted(1.5, 1.5, -1.5, -1.5);
  painter.setPen(QPen(down ? shadow : light, 2));
  painter.drawLine(inner.topLeft() + QPointF(kRadius, 0), inner.topRight() - QPointF(kRadius, 0));
  painter.drawLine(inner.topLeft() + QPointF(0, kRadius), inner.bottomLeft() - QPointF(0, kRadius));
  painter.setPen(QPen(down ? light : shadow, 2));
  painter.drawLine(inner.bottomLeft() + QPointF(kRadius, 0),
                   inner.bottomRight() - QPointF(kRadius, 0));
  painter.drawLine(inner.topRight() + QPointF(0, kRadius),
                   inner.bottomRight() - QPointF(0, kRadius));
  painter.setPen(QPen(face.darker(enabled ? 220 : 140), 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
}

void TTouchButton::PaintContent(QPainter& painter, const QRect& area) const {
  const int flags = Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
  const QString caption = text();
  // The caption may use the width of the bevel margins: the picture may not.
  QRect textRect = area.adjusted(2 - kMargin, 0, kMargin - 2, 0);
  const QFont captionFont = CaptionFont(textRect.width());
  int textHeight = 0;
  if (!caption.isEmpty())
    textHeight = QFontMetrics(captionFont).boundingRect(textRect, flags, caption).height();

  if (!glyph_.isNull()) {
    QRect room = area;
    if (textHeight > 0) room.setBottom(area.bottom() - textHeight - kSpacing);
    const qreal ratio = glyph_.devicePixelRatio();
    QSize size = (QSizeF(glyph_.size()) / ratio).toSize();
    if (size.width() > room.width() || size.height() > room.height())
      size.scale(room.size().expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    QRect target(QPoint(0, 0), size);
    target.moveCenter(room.center());
    QPixmap picture = glyph_;
    if (!isEnabled()) {
      QStyleOption option;
      option.initFrom(this);
      picture = style()->generatedIconPixmap(QIcon::Disabled, glyph_, &option);
    }
    painter.drawPixmap(target, picture);
  }

  if (textHeight > 0) {
    if (!glyph_.isNull()) textRect.setTop(area.bottom() - textHeight + 1);
    painter.setFont(captionFont);
    painter.setPen(isEnabled() ? palette().color(QPalette::Active, QPalette::ButtonText)
                               : TouchDisabledTextColor());
    painter.drawText(textRect, flags | (glyph_.isNull() ? Qt::AlignVCenter : Qt::AlignTop),
                     caption);
  }
}

QString TTouchButton::PlainCaption() const {
  QString plain = text();
  plain.replace(QLatin1String("&&"), QString(QChar(1)));
  plain.remove(QLatin1Char('&'));
  plain.replace(QChar(1), QLatin1Char('&'));
  return plain;
}

namespace {
int WidestWord(const QString& text, const QFontMetrics& metrics) {
  int w = 0;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
    w = qMax(w, metrics.horizontalAdvance(word));
  return w;
}
}  // namespace

QFont TTouchButton::CaptionFont(int width) const {
  // The longest word must fit on one line: the form's fixed button sizes were
  // laid out with narrower fonts than the ones installed here.
  const QString plain = PlainCaption();
  QFont f = font();
  int pixels = QFontInfo(f).pixelSize();
  const int smallest = qMax(8, pixels * 7 / 10);
  while (pixels > smallest && WidestWord(plain, QFontMetrics(f)) > width) f.setPixelSize(--pixels);
  return f;
}

int TTouchButton::CaptionWidth() const {
  return WidestWord(PlainCaption(), QFontMetrics(font())) + 2 * kMargin + 2;
}

}  // namespace totem::host
