#pragma once
// Numeric keypad: a prompt, the number being typed in large print, keys 0-9,
// backspace, "Limpar", OK and Cancel. Only digits are taken, at most the
// given number of them; physical digit keys, Backspace, Delete, Enter and
// Escape work too.
#include <QDialog>

class QLineEdit;

namespace totem::touch {

class NumericKeypad : public QDialog {
  Q_OBJECT

 public:
  // maxDigits below 1 means the largest number the keypad takes (9 digits).
  NumericKeypad(const QString& prompt, int maxDigits, QWidget* parent = nullptr);

  // The digits typed so far.
  QString Digits() const;
  // OK with digits: their value. Cancel, or OK with nothing typed: -1, so
  // that "nothing entered" can never be mistaken for a real zero.
  double Answer() const { return answer_; }

  static constexpr int kLargestDigits = 9;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Append(QChar digit);
  void Backspace();
  void Clear();
  void Confirm();

  QLineEdit* display_ = nullptr;
  int maxDigits_;
  double answer_ = -1;
};

}  // namespace totem::touch
