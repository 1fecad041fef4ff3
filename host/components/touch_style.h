#pragma once
// Look shared by the touch screen and its dialogs.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>

class QAbstractScrollArea;

namespace totem::host {

// Face of every touch button.
inline QColor TouchFaceColor() { return QColor(144, 144, 176); }
// A disabled control: a pale neutral face and a dark grey text, so that it
// reads as out of use at a glance and its caption stays legible.
inline QColor TouchDisabledFaceColor() { return QColor(214, 214, 220); }
inline QColor TouchDisabledTextColor() { return QColor(96, 96, 104); }

// The sans serif closest to the narrow Windows interface fonts the screens
// were laid out with, among the families installed here (metric-compatible
// families first). Looked up once.
QString ClosestSansFamily();

// The factor every touch screen and dialog is drawn at: 1 unless the host
// application fits them to a screen smaller than they are laid out for.
// Sizes and positions are written for factor 1 and pass through Scaled.
void SetTouchScale(double factor);
double TouchScale();
int Scaled(int pixels);
QSize Scaled(QSize size);
QRect Scaled(QRect rect);

// Smallest text a person reads at arm's length on a small terminal: text
// shrinks with the touch scale but never below this (nor above its size at
// factor 1).
inline constexpr int kSmallestTextPixels = 11;
int LegiblePixels(int pixels);

// A font for touch controls, sized in pixels (at the touch scale, never
// below the legible size) so that it keeps its size on screens of any
// density setting.
QFont TouchFont(int pixelSize, bool bold = false);

// Width of a scroll bar a finger can hold.
inline constexpr int kFingerScrollBarWidth = 30;

// Makes every scroll bar of the application finger-wide (a style over the
// one in use). Called once by the host application.
void InstallFingerScrollBars();

// A list or grid that a finger drags: it follows the finger and glides on.
// A drag scrolls and never selects the row it started on; a tap still does.
void EnableFingerScrolling(QAbstractScrollArea* area);

}  // namespace totem::host
