#include "host/components/server_wait.h"

#include "host/components/busy_overlay.h"
#include "host/components/host_windows.h"
#include "host/components/touch_button.h"
#include "host/components/touch_style.h"
#include "platform/errors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QtMath>

#include <atomic>
#include <memory>
#include <thread>

namespace totem::host {
namespace {

struct WaitSettings {
  bool enabled = false;
  bool waiting = false;
  ServerWaitTimes times;
  QPointer<QWidget> panel;
};

WaitSettings& Settings() {
  static WaitSettings settings;
  return settings;
}

// What the exchange's thread and the waiting screen share; the thread keeps
// it alive when the screen stops waiting.
struct Shared {
  std::atomic<bool> done{false};
};

// A panel in the middle of the window: a turning indicator, the words, and
// later the way out.
class WaitPanel : public QWidget {
 public:
  explicit WaitPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("serverWait"));
    setAttribute(Qt::WA_NoSystemBackground);
    resize(380, 210);
    cancel_ = new TTouchButton(this);
    cancel_->setObjectName(QStringLiteral("key_cancel_wait"));
    cancel_->setText(QStringLiteral("Cancelar"));
    cancel_->setFont(TouchFont(20, true));
    cancel_->setGeometry(110, 136, 160, 60);
    cancel_->hide();
    connect(&turn_, &QTimer::timeout, this, [this] {
      step_ = (step_ + 1) % 12;
      update();
    });
    turn_.start(80);
    Centre();
  }

  void OfferCancel(std::function<void()> onCancel) {
    cancel_->OnClick = [onCancel = std::move(onCancel)](QObject*) { onCancel(); };
    cancel_->show();
    update();
  }

  void Centre() {
    QRect r = rect();
    r.moveCenter(parentWidget()->rect().center());
    move(r.topLeft());
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(TouchFaceColor().darker(150), 2));
    p.setBrush(QColor(250, 250, 252));
    p.drawRoundedRect(rect().adjusted(1, 1, -1, -1), 12, 12);
    const QPointF centre(width() / 2.0, 42);
    for (int i = 0; i < 12; ++i) {
      QColor c = TouchFaceColor().darker(160);
      c.setAlpha(255 - ((step_ - i + 12) % 12) * 200 / 12);
      const qreal angle = i * 2 * M_PI / 12;
      const QPointF dir(qSin(angle), -qCos(angle));
      p.setPen(QPen(c, 5, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(centre + dir * 12, centre + dir * 26);
    }
    p.setPen(QColor(30, 30, 60));
    p.setFont(TouchFont(18, true));
    const QString text = cancel_->isVisible()
                             ? QStringLiteral("O servidor está demorando a responder.")
                             : QStringLiteral("Aguardando o servidor...");
    p.drawText(QRect(10, 76, width() - 20, 56), Qt::AlignHCenter | Qt::TextWordWrap, text);
  }

 private:
  TTouchButton* cancel_ = nullptr;
  QTimer turn_;
  int step_ = 0;
};

QWidget* PanelParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  return HostMainForm();
}

}  // namespace

void EnableServerWait(bool on) { Settings().enabled = on; }

bool ServerWaitEnabled() { return Settings().enabled; }

void SetServerWaitTimes(ServerWaitTimes times) { Settings().times = times; }

QWidget* ServerWaitPanel() { return Settings().panel.data(); }

void WaitForServer(const std::function<void()>& exchange) {
  WaitSettings& settings = Settings();
  // Off, or a call made while another waits (a timer's): the calling thread
  // does the exchange itself.
  if (!settings.enabled || settings.waiting || !qApp) {
    exchange();
    return;
  }
  settings.waiting = true;
  auto shared = std::make_shared<Shared>();
  std::thread([shared, exchange] {
    exchange();
    shared->done = true;
  }).detach();

  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (shared->done) loop.quit();
  });
  poll.start(2);
  QElapsedTimer clock;
  clock.start();
  bool cancelled = false;
  std::unique_ptr<WaitPanel> panel;
  // Until the way out shows, the person's input waits its turn, as it did
  // while a call blocked: it is delivered once the answer has come.
  auto phase = [&](std::chrono::milliseconds until, QEventLoop::ProcessEventsFlags flags) {
    const qint64 left = until.count() - clock.elapsed();
    if (shared->done || left <= 0) return;
    QTimer::singleShot(left, &loop, [&] { loop.quit(); });
    loop.exec(flags);
  };
  phase(settings.times.indicator, QEventLoop::ExcludeUserInputEvents);
  if (!shared->done) {
    if (QWidget* parent = PanelParent()) {
      panel = std::make_unique<WaitPanel>(parent);
      settings.panel = panel.get();
      panel->show();
      panel->raise();
    }
    phase(settings.times.escape, QEventLoop::ExcludeUserInputEvents);
  }
  if (!shared->done) {
    // Now only the way out takes input; the rest is held and dropped.
    InputHold hold(panel.get());
    if (panel)
      panel->OfferCancel([&] {
        cancelled = true;
        loop.quit();
      });
    while (!shared->done && !cancelled) loop.exec();
  }
  panel.reset();
  settings.waiting = false;
  if (cancelled && !shared->done)
    throw CallAbandoned(
        "O servidor de aplicação não respondeu e a espera foi cancelada. "
        "Nada do que está na tela foi perdido.");
}

}  // namespace totem::host
