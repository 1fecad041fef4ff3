#pragma once
// Building blocks shared by the touch dialogs: finger-sized keys, the
// pictures on the OK, Cancel and backspace keys, and the dialog frame.
#include "host/components/touch_button.h"

#include <QPixmap>
#include <QSize>
#include <QString>

#include <functional>

class QDialog;
class QTreeWidget;

namespace totem::touch {

QPixmap OkGlyph(int size);
QPixmap CancelGlyph(int size);
QPixmap BackspaceGlyph(int size);
// A finger-sized check box: empty, ticked, or with a bar for "some of them".
QPixmap CheckGlyph(Qt::CheckState state, int size);

// A key that never takes the focus (the text box keeps the cursor) and runs
// action when touched.
host::TTouchButton* MakeKey(QWidget* parent, const QString& objectName, const QString& caption,
                            QSize size, int fontPixels, std::function<void()> action);

// Title, flags, font and background common to every touch dialog.
void PrepareTouchDialog(QDialog* dialog, const QString& title);

// A list for fingers: rows at least rowHeight pixels tall, a long text
// wrapped whole over as many lines as it needs, kinetic scrolling, no
// selection and no focus.
QTreeWidget* TouchTree(QWidget* parent, const QString& objectName, int rowHeight,
                       QSize minimumSize);

}  // namespace totem::touch
