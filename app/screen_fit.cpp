#include "app/screen_fit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace totem::app {
namespace {

// Room the window manager's frame takes around a window (title bar and
// borders), before the window exists to tell.
constexpr QSize kFrameRoom(16, 40);

// Keeps the host's child windows inside its area: when the area shrinks and
// when a window shows (a screen that placed itself by the whole screen's
// size may hang below an area that is smaller by the menu).
class InViewKeeper : public QObject {
 public:
  explicit InViewKeeper(QMdiArea* area) : QObject(area), area_(area), viewport_(area->viewport()) {
    area->viewport()->installEventFilter(this);
  }

 protected:
  // The viewport, not the area: the area's own resize event comes before it
  // lays out its viewport, which still has the old size then (a window that
  // goes full screen after its screen opened kept the screen where the
  // larger area had centred it). Events come here while the area is being
  // destroyed too: only its viewport's address is compared then.
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Resize:
        if (watched == viewport_) KeepInView();
        break;
      case QEvent::ChildAdded:
        if (watched == viewport_)
          static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        break;
      case QEvent::Show:
        if (qobject_cast<QMdiSubWindow*>(watched)) KeepInView();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  void KeepInView() {
    // A window that does not fit where it is goes to the middle of the room
    // (one centred in a larger area stays centred), or to its top left
    // corner when it is larger than the room.
    auto place = [](int at, int size, int room) {
      return at >= 0 && at + size <= room ? at : std::max(0, (room - size) / 2);
    };
    const QSize room = area_->viewport()->size();
    for (QMdiSubWindow* child : area_->subWindowList()) {
      if (child->isMaximized() || child->isMinimized()) continue;
      const QRect r = child->geometry();
      const QPoint to(place(r.x(), r.width(), room.width()),
                      place(r.y(), r.height(), room.height()));
      if (to != r.topLeft()) child->move(to);
    }
  }

  QMdiArea* area_;
  const QObject* viewport_;
};

class OnScreenKeeper : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
      auto* window = static_cast<QWidget*>(watched);
      const Qt::WindowType type = window->windowType();
      if (window->isWindow() && !qobject_cast<QMainWindow*>(window) && type != Qt::Popup &&
          type != Qt::ToolTip)
        Fit(window);
    }
    return false;
  }

 private:
  static void Fit(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen || window->isFullScreen()) return;
    const QRect work = screen->availableGeometry();
    // The frame is known once the window manager framed the window; until
    // then, the room it usually takes.
    const QRect frame = window->frameGeometry();
    const QSize extra = frame.size() != window->size() ? frame.size() - window->size() : kFrameRoom;
    const QSize most = work.size() - extra;
    // A wrapped text (a long title) needs more height than the window was
    // given: a window's first size does not count wrapping.
    if (QLayout* layout = window->layout(); layout && layout->hasHeightForWidth()) {
      const int wanted = layout->totalHeightForWidth(window->width());
      if (wanted > window->height())
        window->resize(window->width(), std::min(wanted, most.height()));
    }
    if (window->width() > most.width() || window->height() > most.height())
      window->resize(window->size().boundedTo(most));
    const QSize outer = window->size() + extra;
    const int x =
        std::clamp(frame.x(), work.left(), std::max(work.left(), work.right() + 1 - outer.width()));
    const int y =
        std::clamp(frame.y(), work.top(), std::max(work.top(), work.bottom() + 1 - outer.height()));
    if (QPoint(x, y) != frame.topLeft()) window->move(x, y);
  }
};

}  // namespace

void KeepWindowsOnScreen() { qApp->installEventFilter(new OnScreenKeeper); }

double FitScale(QSize available, QSize content, QSize chrome) {
  const QSize room = available - chrome;
  if (room.isEmpty() || content.isEmpty()) return 1.0;
  const double ratio =
      std::min(double(room.width()) / content.width(), double(room.height()) / content.height());
  return ratio >= 1.0 ? 1.0 : std::floor(ratio * 100.0) / 100.0;
}

double ScreenScale() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? FitScale(screen->availableGeometry().size()) : 1.0;
}

void ShowFitted(QMainWindow* window, bool fullScreen) {
  if (fullScreen) {
    window->showFullScreen();
    return;
  }
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  const QRect work = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kUsualWindow);
  if (work.width() < kUsualWindow.width() + kFrameRoom.width() ||
      work.height() < kUsualWindow.height() + kFrameRoom.height()) {
    // Never larger than the work area, whatever the window manager does
    // with the request to maximise.
    window->setMaximumSize(work.size());
    window->resize(work.size() - kFrameRoom);
    window->showMaximized();
    return;
  }
  window->resize(kUsualWindow);
  QRect placed(QPoint(0, 0), kUsualWindow);
  placed.moveCenter(work.center());
  window->move(placed.topLeft());
  window->show();
}

void KeepChildWindowsInView(QMdiArea* area) { new InViewKeeper(area); }

}  // namespace totem::app
