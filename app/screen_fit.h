#pragma once
// Fitting the host to the screen it opens on. Module screens are laid out
// for a content area of kLaidOutFor inside the host's window; on a smaller
// screen every module screen and touch dialog is drawn smaller by one
// factor (the host's touch scale), so that each shows whole, with its
// proportions: the small screens of touch terminals have large pixels, and
// a scaled button stays as wide as a finger. (Qt's own scale factor draws
// widgets wrongly below 1, so the screens scale their own sizes.)
#include <QSize>

class QMainWindow;
class QMdiArea;
class QScreen;

namespace totem::app {

// What module screens are laid out for: a screen of up to 786 x 581 with
// some room around it.
inline constexpr QSize kLaidOutFor(800, 590);
// What the window's chrome takes around it at its own size: the window
// manager's title bar and borders, the host's menu bar, a child window's
// title bar and frame.
inline constexpr QSize kChrome(16, 96);
// The host window's usual size where the screen has room for it.
inline constexpr QSize kUsualWindow(1024, 768);

// The factor that fits content, with chrome around it at its own size,
// into available: 1 when it fits, else the smaller of the two ratios,
// rounded down to hundredths.
double FitScale(QSize available, QSize content = kLaidOutFor, QSize chrome = kChrome);

// The touch scale for the primary screen's work area.
double ScreenScale();

// Shows the host's window: over the whole screen when asked; maximised when
// the usual size with the window manager's frame would not fit the work
// area; else at the usual size, centred.
void ShowFitted(QMainWindow* window, bool fullScreen);

// Keeps the area's child windows in view as the area changes size (the
// window manager maximises the host after it opened): a child window that
// fits is moved back inside; one that does not starts at the top left.
void KeepChildWindowsInView(QMdiArea* area);

// Every window the application opens (dialogs, message boxes) is moved
// wholly onto the work area of its screen when it shows, and made no larger
// than the work area, so that its buttons can be touched.
void KeepWindowsOnScreen();

}  // namespace totem::app
