#include "host/components/host_windows.h"

#include <QApplication>
#include <QMdiArea>
#include <QPointer>

namespace totem::host {
namespace {

// Guarded: a host window that goes is forgotten, never dangled.
struct HostWindows {
  QPointer<QWidget> mainForm;
  QPointer<QMdiArea> area;
};

HostWindows& TheHostWindows() {
  static HostWindows windows;
  return windows;
}

}  // namespace

void SetHostWindows(QWidget* mainForm, QMdiArea* area) {
  TheHostWindows().mainForm = mainForm;
  TheHostWindows().area = area;
}

QWidget* HostMainForm() {
  if (QWidget* main = TheHostWindows().mainForm) return main;
  return QApplication::activeWindow();
}

QMdiArea* HostMdiArea() { return TheHostWindows().area; }

}  // namespace totem::host
