#include "host/touch/alpha_keyboard.h"

#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace totem::touch {
namespace {

constexpr QSize kKey(60, 56);
constexpr int kKeyFont = 22;
constexpr int kGap = 6;

// Rows of single-character keys; the special keys are placed around them.
const char* const kRows[] = {
    "1234567890",
    "qwertyuiopáéí",
    "asdfghjklçóúà",
    "zxcvbnmâêôãõü",
    ",.;:-_/()?!%+",
};

QString KeyName(const QString& letter) { return QStringLiteral("key_") + letter; }

// A text box that never selects its text on getting the focus: the first key
// touched must add to the current text, not replace it.
class AppendingEdit : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    deselect();
    end(false);
  }
};

}  // namespace

AlphaKeyboard::AlphaKeyboard(const QString& current, const QString& prompt, QWidget* parent)
    : QDialog(parent) {
  PrepareTouchDialog(this, QStringLiteral("Teclado"));
  setObjectName(QStringLiteral("alphaKeyboard"));

  prompt_ = new QLabel(prompt.isEmpty() ? QStringLiteral("Digite o texto") : prompt, this);
  prompt_->setObjectName(QStringLiteral("prompt"));
  prompt_->setFont(host::TouchFont(20, true));

  edit_ = new AppendingEdit(current, this);
  edit_->setObjectName(QStringLiteral("text"));
  edit_->setFont(host::TouchFont(26));
  edit_->setMinimumHeight(56);
  edit_->setClearButtonEnabled(false);
  connect(edit_, &QLineEdit::returnPressed, this, [this] { Finish(edit_->text(), true); });

  auto* grid = new QGridLayout;
  grid->setSpacing(kGap);
  for (int row = 0; row < 5; ++row) AddKeyRow(grid, row, QString::fromUtf8(kRows[row]));
  grid->addWidget(MakeKey(this, QStringLiteral("key_backspace"), QString(),
                          QSize(kKey.width() * 3 + kGap * 2, kKey.height()), kKeyFont,
                          [this] { edit_->backspace(); }),
                  0, 10, 1, 3);
  qobject_cast<host::TTouchButton*>(grid->itemAtPosition(0, 10)->widget())
      ->SetGlyph(BackspaceGlyph(40));
  auto* shift = MakeKey(this, QStringLiteral("key_shift"), QStringLiteral("⇧ Maiúsc."),
                        QSize(kKey.width() * 2 + kGap, kKey.height()), 18,
                        [this] { ToggleShift(); });
  shift->setCheckable(true);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(kGap);
  bottom->addWidget(shift);
  bottom->addWidget(MakeKey(this, QStringLiteral("key_space"), QStringLiteral("Espaço"),
                            QSize(kKey.width() * 5, kKey.height()), 18,
                            [this] { edit_->insert(QStringLiteral(" ")); }));
  bottom->addWidget(MakeKey(this, QStringLiteral("key_clear"), QStringLiteral("Limpar"),
                            QSize(kKey.width() * 2, kKey.height()), 18,
                            [this] { Finish(QStringLiteral("@"), true); }));
  bottom->addStretch();
  auto* cancel = MakeKey(this, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(130, 64), 18, [this] { Finish(QString(), false); });
  cancel->SetGlyph(CancelGlyph(30));
  auto* ok = MakeKey(this, QStringLiteral("key_ok"), QStringLiteral("OK"), QSize(130, 64), 18,
                     [this] { Finish(edit_->text(), true); });
  ok->SetGlyph(OkGlyph(30));
  bottom->addWidget(cancel);
  bottom->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addWidget(prompt_);
  layout->addWidget(edit_);
  layout->addLayout(grid);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  edit_->setFocus();
  edit_->end(false);
}

void AlphaKeyboard::AddKeyRow(QGridLayout* grid, int row, const QString& keys) {
  for (int col = 0; col < keys.size(); ++col) {
    const QString letter = keys.mid(col, 1);
    auto* key = MakeKey(this, KeyName(letter), letter, kKey, kKeyFont, [this, letter] {
      Type(letter);
    });
    if (letter.front().isLetter()) letterKeys_.append(key);
    grid->addWidget(key, row, col);
  }
}

void AlphaKeyboard::Type(const QString& letter) {
  edit_->insert(shifted_ ? letter.toUpper() : letter);
}

void AlphaKeyboard::ToggleShift() {
  shifted_ = !shifted_;
  for (host::TTouchButton* key : letterKeys_)
    key->setText(shifted_ ? key->text().toUpper() : key->text().toLower());
  if (auto* shift = findChild<host::TTouchButton*>(QStringLiteral("key_shift")))
    shift->setChecked(shifted_);
}

void AlphaKeyboard::Finish(const QString& answer, bool accepted) {
  answer_ = answer;
  if (accepted)
    accept();
  else
    reject();
}

}  // namespace totem::touch
