#pragma once
// The host application's main window and its multiple-document area: module
// screens open as child windows of the area, and the busy animation shows
// over the main window. The host application names both at start-up;
// modules ask for them here instead of searching the application's windows.
class QMdiArea;
class QWidget;

namespace totem::host {

// Called by the host application once its main window exists (nullptrs
// forget them). The windows stay owned by the host.
void SetHostWindows(QWidget* mainForm, QMdiArea* area);

// The main window; with none named (a module driven alone, as in tests), the
// active window.
QWidget* HostMainForm();

// The area module screens open in; none when no host named one (the screen
// then stands alone as a top-level window).
QMdiArea* HostMdiArea();

}  // namespace totem::host
