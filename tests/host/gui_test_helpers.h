#pragma once
// Helpers for driving widgets in the offscreen tests: answering a modal
// dialog from inside its own event loop, touching a child by name; data
// packets come from tests/support/packet_builder.h.
#include "tests/support/packet_builder.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace totem::test {

// Runs drive on the dialog that is about to be shown modally, once its
// exec() loop runs. A dialog drive leaves open is closed (and the test
// fails), so a broken test ends instead of hanging.
inline void WhenModalOpens(std::function<void(QDialog*)> drive) {
  QTimer::singleShot(0, [drive = std::move(drive)] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      ADD_FAILURE() << "no modal dialog open";
      return;
    }
    drive(dialog);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "dialog " << dialog->objectName().toStdString() << " left open";
      dialog->reject();
    }
  });
}

template <class W = QWidget>
W* Child(QWidget* parent, const QString& name) {
  W* child = parent->findChild<W*>(name);
  EXPECT_NE(child, nullptr) << "no child named " << name.toStdString();
  return child;
}

// A finger on the named child: press and release at its centre.
inline void Touch(QWidget* parent, const QString& name) {
  if (QWidget* w = Child(parent, name)) QTest::mouseClick(w, Qt::LeftButton);
}

// Physical typing, accented letters included (QTest::keyClicks takes only
// ASCII).
inline void TypeText(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80)
      QTest::keyClick(widget, c.toLatin1());
    else
      QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

inline void TouchAll(QWidget* parent, const QStringList& names) {
  for (const QString& name : names) Touch(parent, name);
}

}  // namespace totem::test
