#pragma once
// A short confirmation that something went well ("Parâmetros gravados."): a
// small banner over the bottom of a window that takes no input and no focus,
// blocks nothing, and goes away by itself.
#include <QString>

class QWidget;

namespace totem::host {

// Shows text over the bottom centre of window (nullptr: the main window) for
// about milliseconds. A new notice replaces one still showing.
void ShowNotice(QWidget* window, const QString& text, int milliseconds = 2500);

// The banner while it shows (for tests); nullptr otherwise.
QWidget* ShownNotice();

}  // namespace totem::host
