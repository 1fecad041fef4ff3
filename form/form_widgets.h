#pragma once
// The screen's look: its colours, button sizes, fonts, and the makers of
// its buttons, setting labels and value displays. Sizes and positions are
// the screen's at factor 1; on a small screen the host draws everything
// smaller by its touch scale.
#include "host/components/touch_button.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>

namespace totem::form::look {

using host::TTouchButton;

extern const QColor kButtonFace;
extern const QColor kGreen;
extern const QColor kNavy;
extern const QColor kSilver;
extern const QColor kTooltip;       // the system's tooltip colour
extern const QColor kDisabledText;  // greyed, still legible on the page

constexpr int kPageButtonW = 56, kPageButtonH = 46;
constexpr int kBarButtonW = 60, kBarButtonH = 58;

QFont PixelFont(const char* family, int pixels, bool bold = false);
TTouchButton* Button(QWidget* parent, const char* name, QRect geometry, const QString& caption = {},
                     const QString& hint = {});
// A label naming a setting: navy, 13-pixel, transparent.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, QRect geometry,
                bool wrap = false);
// A framed value display: fixed size, tooltip background, green 16-pixel
// text; a text too long for it ends in "…" and a tap shows it whole.
// Where a label's text, held at a legible size, runs longer than its room,
// widens the label and moves its value display's left edge clear of it (the
// display's right edge stays).
void KeepBeside(QLabel* label, QLabel* display);

QLabel* Display(QWidget* parent, const char* name, QRect geometry);

}  // namespace totem::form::look
