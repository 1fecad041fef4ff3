#include "form/form_widgets.h"

#include "host/components/touch_style.h"
#include "host/components/value_display.h"

#include <QFrame>
#include <QPalette>

namespace totem::form::look {

using host::Scaled;

const QColor kButtonFace(144, 144, 176);
const QColor kGreen(0, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kSilver(192, 192, 192);
const QColor kTooltip(255, 255, 225);     // the system's tooltip colour
const QColor kDisabledText(96, 96, 104);  // greyed, still legible on the page

// Sizes, positions and fonts below are the screen's at factor 1; on a small
// screen the host draws everything smaller by its touch scale, text down to
// the smallest legible size only.
QFont PixelFont(const char* family, int pixels, bool bold) {
  QFont font(family);
  font.setPixelSize(host::LegiblePixels(pixels));
  font.setBold(bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

TTouchButton* Button(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                     const QString& hint) {
  auto* b = new TTouchButton(parent);
  b->setObjectName(name);
  b->setGeometry(Scaled(geometry));
  b->setText(caption);
  b->setToolTip(hint);
  b->SetColor(kButtonFace);
  return b;
}

// A label naming a setting: navy, 13-pixel, transparent.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, QRect geometry, bool wrap) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(Scaled(geometry));
  l->setFont(PixelFont("MS Sans Serif", 13));
  QPalette pal = l->palette();
  pal.setColor(QPalette::Active, QPalette::WindowText, kNavy);
  pal.setColor(QPalette::Inactive, QPalette::WindowText, kNavy);
  pal.setColor(QPalette::Disabled, QPalette::WindowText, kDisabledText);
  l->setPalette(pal);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->setWordWrap(wrap);
  l->setTextFormat(Qt::PlainText);
  // Text drawn small stops at a legible size: a one-line label grows
  // upwards to the text's height, keeping its foot by the control below.
  if (const int line = l->fontMetrics().height();
      host::TouchScale() < 1.0 && !wrap && l->height() < line)
    l->setGeometry(l->x(), l->geometry().bottom() + 1 - line, l->width(), line);
  return l;
}

void KeepBeside(QLabel* label, QLabel* display) {
  const int text = label->fontMetrics().horizontalAdvance(label->text());
  if (host::TouchScale() >= 1.0 || label->width() >= text) return;
  label->resize(text, label->height());
  const int left = label->x() + text + Scaled(4);
  const QRect r = display->geometry();
  if (r.left() < left) display->setGeometry(QRect(QPoint(left, r.top()), r.bottomRight()));
}

// A framed value display: fixed size, tooltip background, green 16-pixel
// text; a text too long for it ends in "…" and shows whole as a tooltip.
QLabel* Display(QWidget* parent, const char* name, QRect geometry) {
  auto* l = new host::TValueDisplay(parent);
  l->setObjectName(name);
  l->setGeometry(Scaled(geometry));
  l->setFrameStyle(QFrame::Box | QFrame::Plain);
  l->setLineWidth(1);
  l->setAutoFillBackground(true);
  l->setFont(PixelFont("MS Sans Serif", 16));
  QPalette pal = l->palette();
  pal.setColor(QPalette::Window, kTooltip);
  pal.setColor(QPalette::WindowText, kGreen);
  l->setPalette(pal);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  l->setIndent(4);
  return l;
}

}  // namespace totem::form::look
