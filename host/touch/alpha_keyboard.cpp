#include "host/touch/alpha_keyboard.h"

#include "host/components/touch_style.h"
#include "host/touch/touch_widgets.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace totem::touch {
namespace {

constexpr QSize kKey(60, 56);
constexpr int kKeyFont = 22;
constexpr int kGap = 6;

// Rows of single-character keys; the special keys are placed around them.
// The digits stay in view; below them either the letters (with the common
// punctuation) or the symbols, which together hold every printable ASCII
// character.
const char* const kDigits[] = {"1234567890"};
const char* const kLetters[] = {
    "qwertyuiopáéí",
    "asdfghjklçóúà",
    "zxcvbnmâêôãõü",
    ",.;:-_/()?!%+",
};
const char* const kSymbols[] = {
    "\"#$&'*<=>@[\\]",
    "^`{|}~",
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

AlphaKeyboard::AlphaKeyboard(const QString& current, const QString& prompt, int maxLength,
                             QWidget* parent)
    : QDialog(parent), initial_(current), maxLength_(maxLength > 0 ? maxLength : 0) {
  PrepareTouchDialog(this, QStringLiteral("Teclado"));
  setObjectName(QStringLiteral("alphaKeyboard"));

  prompt_ = new QLabel(prompt.isEmpty() ? QStringLiteral("Digite o texto") : prompt, this);
  prompt_->setObjectName(QStringLiteral("prompt"));
  prompt_->setFont(host::TouchFont(20, true));
  counter_ = new QLabel(this);
  counter_->setObjectName(QStringLiteral("counter"));
  counter_->setFont(host::TouchFont(20));
  counter_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  edit_ = new AppendingEdit(current, this);
  edit_->setObjectName(QStringLiteral("text"));
  edit_->setFont(host::TouchFont(26));
  edit_->setMinimumHeight(host::Scaled(56));
  edit_->setClearButtonEnabled(false);
  // The limit holds for keys, physical typing and pasting alike.
  if (maxLength_ > 0) edit_->setMaxLength(maxLength_);
  counter_->setVisible(maxLength_ > 0);
  connect(edit_, &QLineEdit::textChanged, this, [this] { UpdateCounter(); });
  connect(edit_, &QLineEdit::returnPressed, this, [this] { Confirm(); });
  UpdateCounter();

  QGridLayout* digits = KeyGrid(kDigits, 1);
  digits->addWidget(MakeKey(this, QStringLiteral("key_backspace"), QString(),
                            QSize(kKey.width() * 3 + kGap * 2, kKey.height()), kKeyFont,
                            [this] { edit_->backspace(); }),
                    0, 10, 1, 3);
  qobject_cast<host::TTouchButton*>(digits->itemAtPosition(0, 10)->widget())
      ->SetGlyph(BackspaceGlyph(40));

  pages_ = new QStackedWidget(this);
  pages_->setObjectName(QStringLiteral("keyPages"));
  for (auto [rows, count] : {std::pair{kLetters, 4}, std::pair{kSymbols, 2}}) {
    auto* page = new QWidget(pages_);
    QGridLayout* grid = KeyGrid(rows, count);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    page->setLayout(grid);
    pages_->addWidget(page);
  }

  auto* shift = MakeKey(this, QStringLiteral("key_shift"), QStringLiteral("⇧ Maiúsc."),
                        QSize(kKey.width() * 2 + kGap, kKey.height()), 18, [this] { TapShift(); });
  shift->setCheckable(true);
  auto* symbols = MakeKey(this, QStringLiteral("key_symbols"), QStringLiteral("#+="),
                          QSize(kKey.width() + 20, kKey.height()), 18, [this] { ToggleSymbols(); });

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(kGap);
  bottom->addWidget(shift);
  bottom->addWidget(symbols);
  bottom->addWidget(MakeKey(this, QStringLiteral("key_space"), QStringLiteral("Espaço"),
                            QSize(kKey.width() * 3, kKey.height()), 18,
                            [this] { edit_->insert(QStringLiteral(" ")); }));
  bottom->addWidget(MakeKey(this, QStringLiteral("key_empty"), QStringLiteral("Deixar vazio"),
                            QSize(kKey.width() * 2 + 30, kKey.height()), 18,
                            [this] { Finish(QStringLiteral("@"), true); }));
  bottom->addStretch();
  auto* cancel = MakeKey(this, QStringLiteral("key_cancel"), QStringLiteral("Cancelar"),
                         QSize(130, 64), 18, [this] { Finish(QString(), false); });
  cancel->SetGlyph(CancelGlyph(30));
  auto* ok = MakeKey(this, QStringLiteral("key_ok"), QStringLiteral("OK"), QSize(130, 64), 18,
                     [this] { Confirm(); });
  ok->SetGlyph(OkGlyph(30));
  bottom->addWidget(cancel);
  bottom->addWidget(ok);

  auto* heading = new QHBoxLayout;
  heading->addWidget(prompt_, 1);
  heading->addWidget(counter_);

  // The cursor moves with the arrows beside the box or a tap in the text, so
  // a long text is corrected where the mistake is.
  auto* line = new QHBoxLayout;
  line->setSpacing(kGap);
  line->addWidget(MakeKey(this, QStringLiteral("key_left"), QStringLiteral("◀"), kKey, kKeyFont,
                          [this] { edit_->cursorBackward(false); }));
  line->addWidget(edit_, 1);
  line->addWidget(MakeKey(this, QStringLiteral("key_right"), QStringLiteral("▶"), kKey, kKeyFont,
                          [this] { edit_->cursorForward(false); }));
  line->addWidget(MakeKey(this, QStringLiteral("key_clear"), QStringLiteral("Limpar"),
                          QSize(kKey.width() * 2, kKey.height()), 18, [this] { edit_->clear(); }));

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 16, 20, 16);
  layout->setSpacing(12);
  layout->addLayout(heading);
  layout->addLayout(line);
  auto* keys = new QVBoxLayout;
  keys->setSpacing(kGap);
  keys->addLayout(digits);
  keys->addWidget(pages_);
  layout->addLayout(keys);
  layout->addLayout(bottom);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  edit_->setFocus();
  edit_->end(false);
}

QGridLayout* AlphaKeyboard::KeyGrid(const char* const* rows, int rowCount) {
  auto* grid = new QGridLayout;
  grid->setSpacing(kGap);
  for (int row = 0; row < rowCount; ++row) {
    const QString keys = QString::fromUtf8(rows[row]);
    for (int col = 0; col < keys.size(); ++col) {
      const QString letter = keys.mid(col, 1);
      // "&" marks a mnemonic in a caption; doubled it shows itself.
      const QString caption = letter == QLatin1String("&") ? QStringLiteral("&&") : letter;
      auto* key =
          MakeKey(this, KeyName(letter), caption, kKey, kKeyFont, [this, letter] { Type(letter); });
      if (letter.front().isLetter()) letterKeys_.append(key);
      grid->addWidget(key, row, col);
    }
  }
  return grid;
}

bool AlphaKeyboard::SymbolsShown() const { return pages_->currentIndex() == 1; }

void AlphaKeyboard::Type(const QString& letter) {
  const bool capital = shift_ != Shift::Off && letter.front().isLetter();
  edit_->insert(capital ? letter.toUpper() : letter);
  if (shift_ == Shift::Once && letter.front().isLetter()) SetShift(Shift::Off);
}

void AlphaKeyboard::TapShift() {
  // One tap: the next letter only. A second tap soon after the first locks
  // it; a tap on a locked (or long-waiting) shift releases it.
  const bool quick =
      lastShiftTap_.isValid() && lastShiftTap_.elapsed() <= QApplication::doubleClickInterval();
  lastShiftTap_.start();
  switch (shift_) {
    case Shift::Off:
      SetShift(Shift::Once);
      break;
    case Shift::Once:
      SetShift(quick ? Shift::Locked : Shift::Off);
      break;
    case Shift::Locked:
      SetShift(Shift::Off);
      break;
  }
}

void AlphaKeyboard::SetShift(Shift state) {
  shift_ = state;
  const bool upper = state != Shift::Off;
  for (host::TTouchButton* key : letterKeys_)
    key->setText(upper ? key->text().toUpper() : key->text().toLower());
  if (auto* shift = findChild<host::TTouchButton*>(QStringLiteral("key_shift"))) {
    shift->setChecked(upper);
    shift->setText(state == Shift::Locked ? QStringLiteral("⇪ MAIÚSC.")
                                          : QStringLiteral("⇧ Maiúsc."));
  }
}

void AlphaKeyboard::ToggleSymbols() {
  pages_->setCurrentIndex(SymbolsShown() ? 0 : 1);
  if (auto* key = findChild<host::TTouchButton*>(QStringLiteral("key_symbols")))
    key->setText(SymbolsShown() ? QStringLiteral("abc") : QStringLiteral("#+="));
}

void AlphaKeyboard::UpdateCounter() {
  if (maxLength_ > 0)
    counter_->setText(QStringLiteral("%1/%2").arg(edit_->text().size()).arg(maxLength_));
}

void AlphaKeyboard::Confirm() {
  // A text the person emptied is meant to be empty, not left as it was.
  const bool emptied = edit_->text().isEmpty() && !initial_.isEmpty();
  Finish(emptied ? QStringLiteral("@") : edit_->text(), true);
}

void AlphaKeyboard::Finish(const QString& answer, bool accepted) {
  answer_ = answer;
  if (accepted)
    accept();
  else
    reject();
}

}  // namespace totem::touch
