#include "host/components/notice.h"

#include "host/components/host_windows.h"
#include "host/components/touch_style.h"

#include <QLabel>
#include <QPointer>
#include <QTimer>

namespace totem::host {
namespace {

QPointer<QLabel>& Current() {
  static QPointer<QLabel> notice;
  return notice;
}

}  // namespace

void ShowNotice(QWidget* window, const QString& text, int milliseconds) {
  if (!window) window = HostMainForm();
  if (QLabel* old = Current()) old->deleteLater();
  // A window of its own that never takes the focus or the input: typing and
  // touching go on on the screen below while it shows.
  auto* notice = new QLabel(text, nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
  notice->setObjectName(QStringLiteral("notice"));
  notice->setWindowTitle(text);
  notice->setAttribute(Qt::WA_ShowWithoutActivating);
  notice->setAttribute(Qt::WA_TransparentForMouseEvents);
  notice->setAttribute(Qt::WA_DeleteOnClose);
  notice->setFont(TouchFont(22, true));
  notice->setTextFormat(Qt::PlainText);
  notice->setAlignment(Qt::AlignCenter);
  notice->setMargin(16);
  notice->setAutoFillBackground(true);
  QPalette palette = notice->palette();
  palette.setColor(QPalette::Window, QColor(28, 110, 60));
  palette.setColor(QPalette::WindowText, Qt::white);
  notice->setPalette(palette);
  notice->adjustSize();
  if (window) {
    const QRect frame(window->mapToGlobal(QPoint(0, 0)), window->size());
    notice->move(frame.center().x() - notice->width() / 2,
                 frame.bottom() - notice->height() - frame.height() / 8);
  }
  notice->show();
  Current() = notice;
  QTimer::singleShot(milliseconds, notice, &QWidget::close);
}

QWidget* ShownNotice() {
  QLabel* notice = Current();
  return notice && notice->isVisible() ? notice : nullptr;
}

}  // namespace totem::host
