#include "host/components/busy_overlay.h"

#include "host/components/touch_style.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtMath>

#include <memory>

namespace totem::host {
namespace {

constexpr int kSpokes = 12;

class BusyOverlay : public QWidget {
 public:
  BusyOverlay(QWidget* parent, QString text) : QWidget(parent), text_(std::move(text)) {
    setObjectName(QStringLiteral("busyOverlay"));
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(parent->rect());
    parent->installEventFilter(this);
    // Turns whenever the event loop gets a chance (between calls, or while
    // a caller lets events through); during the blocking call it stays still.
    connect(&timer_, &QTimer::timeout, this, [this] {
      step_ = (step_ + 1) % kSpokes;
      update();
    });
    timer_.start(80);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parentWidget() && event->type() == QEvent::Resize)
      setGeometry(parentWidget()->rect());
    return false;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(20, 20, 40, 120));

    QRect panel(0, 0, 320, 150);
    panel.moveCenter(rect().center());
    p.setPen(QPen(TouchFaceColor().darker(150), 2));
    p.setBrush(QColor(250, 250, 252));
    p.drawRoundedRect(panel, 12, 12);

    const QPointF centre(panel.center().x(), panel.top() + 50);
    for (int i = 0; i < kSpokes; ++i) {
      const int age = (step_ - i + kSpokes) % kSpokes;
      QColor c = TouchFaceColor().darker(160);
      c.setAlpha(255 - age * 200 / kSpokes);
      const qreal angle = i * 2 * M_PI / kSpokes;
      const QPointF dir(qSin(angle), -qCos(angle));
      p.setPen(QPen(c, 5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(centre + dir * 12, centre + dir * 26);
    }

    p.setPen(QColor(30, 30, 60));
    p.setFont(TouchFont(18, true));
    p.drawText(QRect(panel.left(), panel.top() + 84, panel.width(), 56),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text_);
  }

 private:
  QString text_;
  QTimer timer_;
  int step_ = 0;
};

QPointer<QWidget>& PassingWidget() {
  static QPointer<QWidget> widget;
  return widget;
}

bool Passes(QObject* receiver) {
  QWidget* passing = PassingWidget();
  if (!passing) return false;
  if (auto* widget = qobject_cast<QWidget*>(receiver))
    return widget == passing || passing->isAncestorOf(widget);
  // The window system's window hands the input on to the widget under the
  // finger, where the rest is held.
  if (auto* window = qobject_cast<QWindow*>(receiver))
    return passing->window()->windowHandle() == window;
  return false;
}

// Eats user input addressed to any object of the application.
class InputBlocker : public QObject {
 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (Passes(receiver)) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::NonClientAreaMouseButtonPress:
      case QEvent::NonClientAreaMouseButtonRelease:
      case QEvent::NonClientAreaMouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TouchCancel:
      case QEvent::TabletPress:
      case QEvent::TabletRelease:
      case QEvent::ContextMenu:
        return true;
      default:
        return false;
    }
  }
};

struct BusyState {
  bool active = false;
  QPointer<BusyOverlay> overlay;
  std::unique_ptr<InputBlocker> blocker;
};

BusyState& State() {
  static BusyState state;
  return state;
}

}  // namespace

QString ShowAviText(TShowAvi kind) {
  switch (kind) {
    case TShowAvi::Wait:
      return QStringLiteral("Aguarde...");
    case TShowAvi::Search:
      return QStringLiteral("Pesquisando...");
    case TShowAvi::Save:
      return QStringLiteral("Gravando...");
    case TShowAvi::Delete:
      return QStringLiteral("Excluindo...");
    case TShowAvi::Print:
      return QStringLiteral("Imprimindo...");
    case TShowAvi::Copy:
      return QStringLiteral("Copiando...");
    case TShowAvi::Server:
      return QStringLiteral("Aguarde...\nComunicando com o servidor");
    case TShowAvi::Process:
      return QStringLiteral("Processando...");
  }
  return QStringLiteral("Aguarde...");
}

void ActiveShowAvi(QWidget* mainForm, TShowAvi kind) {
  BusyState& s = State();
  if (s.active) {
    qWarning("ActiveShowAvi: animação já ativa; chamada aninhada ignorada.");
    return;
  }
  s.active = true;
  s.blocker = std::make_unique<InputBlocker>();
  qApp->installEventFilter(s.blocker.get());
  QApplication::setOverrideCursor(Qt::WaitCursor);

  if (!mainForm) mainForm = QApplication::activeWindow();
  if (!mainForm) return;
  s.overlay = new BusyOverlay(mainForm, ShowAviText(kind));
  s.overlay->show();
  s.overlay->raise();
  // The call that follows blocks the event loop: paint now or never.
  s.overlay->repaint();
}

void DeactiveShowAvi() {
  BusyState& s = State();
  if (!s.active) return;
  // Input the window system queued while the call blocked is delivered now,
  // with the blocker still in place, and so dropped instead of acting on the
  // screen the user could not see respond.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  delete s.overlay.data();
  qApp->removeEventFilter(s.blocker.get());
  s.blocker.reset();
  QApplication::restoreOverrideCursor();
  s.active = false;
}

InputHold::InputHold(QWidget* passing) : blocker_(std::make_unique<InputBlocker>()) {
  PassingWidget() = passing;
  qApp->installEventFilter(blocker_.get());
}

InputHold::~InputHold() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(blocker_.get());
  PassingWidget() = nullptr;
}

bool ShowAviActive() { return State().active; }

QWidget* ShowAviOverlay() { return State().overlay.data(); }

}  // namespace totem::host
