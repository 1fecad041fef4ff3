#include "host/touch/numeric_keypad.h"

#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace totem::touch {
namespace {

constexpr QSize kKey(88, 72);
constexpr int kKeyFont = 28;

}  // namespace

NumericKeypad::NumericKeypad(const QString& prompt, int maxDigits, QWidget* parent)
    : QDialog(parent),
      maxDigits_(maxDigits < 1 || maxDigits > kLargestDigits ? kLargestDigits : maxDigits) {
  PrepareTouchDialog(this, QStringLiteral("Teclado numérico"));
  setObjectName(QStringLiteral("numericKeypad"));

  auto* promptLabel = new QLabel(prompt, this);
  promptLabel->setObjectName(QStringLiteral("prompt"));
  promptLabel->setFont(host::TouchFont(20, true));
  promptLabel->setWordWrap(true);

  display_ = new QLineEdit(this);
  display_->setObjectName(QStringLiteral("display"));
  display_->setReadOnly(true);
  display_->setFocusPolicy(Qt::NoFocus);
  display_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  display_->setFont(host::TouchFont(36, true));
  display_->setMinimumHeight(host::Scaled(64));

  auto* limit = new QLabel(maxDigits_ == 1 ? QStringLiteral("Até 1 dígito")
                                           : QStringLiteral("Até %1 dígitos").arg(maxDigits_),
                           this);
  limit->setObjectName(QStringLiteral("limit"));
  limit->setFont(host::TouchFont(16));

  auto* grid = new QGridLayout;
  grid->setSpacing(8);
  static const char kLayout[] = "789456123";
  for (int i = 0; i < 9; ++i) {
    const QChar digit = QLatin1Char(kLayout[i]);
    grid->addWidget(MakeKey(this, QStringLiteral("key_") + digit, digit, kKey, kKeyFont,
                            [this, digit] { Append(digit); }),
                    i / 3, i % 3);
  }
  grid->addWidget(MakeKey(this, QStringLiteral("key_clear"), QStringLiteral("Limpar"), kKey, 18,
                          [this] { Clear(); }),
                  3, 0);
  grid->addWidget(MakeKey(this, QStringLiteral("key_0"), QStringLiteral("0"), kKey, kKeyFont,
                          [this] { Append(QLatin1Char('0')); }),
                  3, 1);
  auto* back =
      MakeKey(this, QStringLiteral("key_backspace"), QString(), kKey, 18, [this] { Backspace(); });
  back->SetGlyph(BackspaceGlyph(44));
  grid->addWidget(back, 3, 2);

  auto* cancel = MakeKey(this, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(134, 68), 18, [this] { reject(); });
  cancel->SetGlyph(CancelGlyph(30));
  auto* ok = MakeKey(this, QStringLiteral("key_ok"), QStringLiteral("OK"), QSize(134, 68), 18,
                     [this] { Confirm(); });
  ok->SetGlyph(OkGlyph(30));
  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(8);
  bottom->addWidget(cancel);
  bottom->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(10);
  layout->addWidget(promptLabel);
  layout->addWidget(display_);
  layout->addWidget(limit);
  layout->addLayout(grid);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString NumericKeypad::Digits() const { return display_->text(); }

void NumericKeypad::Append(QChar digit) {
  if (digit < QLatin1Char('0') || digit > QLatin1Char('9') || display_->text().size() >= maxDigits_)
    return;
  display_->setText(display_->text() + digit);
}

void NumericKeypad::Backspace() {
  QString digits = display_->text();
  digits.chop(1);
  display_->setText(digits);
}

void NumericKeypad::Clear() { display_->clear(); }

void NumericKeypad::Confirm() {
  answer_ = Digits().isEmpty() ? -1 : Digits().toDouble();
  accept();
}

void NumericKeypad::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() == 1 && text.front() >= QLatin1Char('0') && text.front() <= QLatin1Char('9')) {
    Append(text.front());
    return;
  }
  switch (event->key()) {
    case Qt::Key_Backspace:
      Backspace();
      return;
    case Qt::Key_Delete:
      Clear();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Confirm();
      return;
    case Qt::Key_Escape:
      reject();
      return;
    default:
      event->ignore();
  }
}

}  // namespace totem::touch
