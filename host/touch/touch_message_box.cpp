#include "host/touch/touch_message_box.h"

#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace totem::touch {
namespace {

using namespace totem::host;

constexpr int kIconSize = 72;

QPixmap TypeIcon(TMsgDlgType type) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  if (type == mtCustom) return pixmap;
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF box(4, 4, kIconSize - 8, kIconSize - 8);
  QString mark;
  QColor colour;
  switch (type) {
    case mtWarning:
      colour = QColor(230, 160, 0);
      mark = QStringLiteral("!");
      break;
    case mtError:
      colour = QColor(200, 30, 30);
      mark = QStringLiteral("✕");
      break;
    case mtInformation:
      colour = QColor(30, 90, 190);
      mark = QStringLiteral("i");
      break;
    case mtConfirmation:
      colour = QColor(30, 90, 190);
      mark = QStringLiteral("?");
      break;
    case mtCustom:
      break;
  }
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  if (type == mtWarning) {
    QPolygonF triangle({QPointF(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()});
    p.drawPolygon(triangle);
  } else {
    p.drawEllipse(box);
  }
  p.setPen(Qt::white);
  p.setFont(TouchFont(kIconSize / 2, true));
  p.drawText(box.adjusted(0, type == mtWarning ? 10 : 0, 0, 0), Qt::AlignCenter, mark);
  return pixmap;
}

const char* ButtonKey(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return "yes";
    case mbNo:
      return "no";
    case mbOK:
      return "ok";
    case mbCancel:
      return "cancel";
    case mbAbort:
      return "abort";
    case mbRetry:
      return "retry";
    case mbIgnore:
      return "ignore";
    case mbAll:
      return "all";
    case mbNoToAll:
      return "notoall";
    case mbYesToAll:
      return "yestoall";
    case mbHelp:
      return "help";
    case mbClose:
      return "close";
  }
  return "unknown";
}

QPixmap ButtonGlyph(TMsgDlgBtn button) {
  switch (button) {
    case mbOK:
    case mbYes:
    case mbYesToAll:
      return OkGlyph(28);
    case mbCancel:
    case mbNo:
    case mbNoToAll:
    case mbAbort:
    case mbClose:
      return CancelGlyph(28);
    default:
      return {};
  }
}

}  // namespace

QString MessageButtonName(TMsgDlgBtn button) {
  return QStringLiteral("btn_") + QLatin1String(ButtonKey(button));
}

TouchMessageBox::TouchMessageBox(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                 int defaultResult, const QString& caption, QWidget* parent)
    : QDialog(parent) {
  PrepareTouchDialog(this, caption.isEmpty() ? DialogCaption(type) : caption);
  setObjectName(QStringLiteral("touchMessageDlg"));

  auto* icon = new QLabel(this);
  icon->setPixmap(TypeIcon(type));
  icon->setFixedSize(host::Scaled(QSize(kIconSize, kIconSize)));
  icon->setScaledContents(true);
  auto* message = new QLabel(text, this);
  message->setObjectName(QStringLiteral("message"));
  message->setWordWrap(true);
  message->setTextFormat(Qt::PlainText);
  message->setFont(TouchFont(22));
  message->setMinimumWidth(host::Scaled(380));
  message->setMaximumWidth(620);
  message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  auto* top = new QHBoxLayout;
  top->setSpacing(20);
  top->addWidget(icon, 0, Qt::AlignTop);
  top->addWidget(message, 1);

  auto* row = new QHBoxLayout;
  row->setSpacing(16);
  row->addStretch();
  const auto order = buttons.InOrder();
  defaultResult_ = defaultResult != mrNone ? defaultResult : ModalResultOf(order.front());
  for (TMsgDlgBtn b : order) {
    const int result = ModalResultOf(b);
    auto* button = MakeKey(this, MessageButtonName(b), ButtonCaption(b).remove(QLatin1Char('&')),
                           QSize(150, 64), 20, [this, result] { Close(result); });
    button->SetGlyph(ButtonGlyph(b));
    row->addWidget(button);
    if (b == mbCancel || order.size() == 1) escapeResult_ = result;
  }
  row->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(28, 28, 28, 22);
  layout->setSpacing(28);
  layout->addLayout(top);
  layout->addLayout(row);
  setSizeGripEnabled(false);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TouchMessageBox::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Close(defaultResult_);
      return;
    case Qt::Key_Escape:
      if (escapeResult_ != mrNone) Close(escapeResult_);
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TouchMessageBox::Close(int result) {
  answer_ = result;
  done(result);
}

}  // namespace totem::touch
