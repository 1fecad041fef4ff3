#pragma once
// Look shared by the touch screen and its dialogs.
#include <QColor>
#include <QFont>
#include <QString>

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

// A font for touch controls, sized in pixels so that it keeps its size on
// screens of any density setting.
QFont TouchFont(int pixelSize, bool bold = false);

}  // namespace totem::host
