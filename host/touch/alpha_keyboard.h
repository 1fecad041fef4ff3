#pragma once
// On-screen keyboard: the text being edited in a large box, letters with the
// accented ones Portuguese needs, digits, a symbols page with the rest of the
// printable ASCII characters, a shift key for capitals (one tap: the next
// letter; two quick taps: locked until tapped again), space, backspace,
// arrows that move the cursor (a tap in the text does too), "Limpar" that
// empties the box, "Deixar vazio" that answers "@" at once (the callers
// clear the value), OK and Cancel. OK on a box the person emptied answers
// "@" as well. With a length limit a counter "n/limit" shows how much room
// is left and nothing is taken past it. Physical keys type into the box too.
#include <QDialog>
#include <QElapsedTimer>

class QGridLayout;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace totem::host {
class TTouchButton;
}

namespace totem::touch {

class AlphaKeyboard : public QDialog {
  Q_OBJECT

 public:
  enum class Shift { Off, Once, Locked };

  // Empty prompt: "Digite o texto". maxLength 0: no limit.
  AlphaKeyboard(const QString& current, const QString& prompt, int maxLength = 0,
                QWidget* parent = nullptr);

  // OK: the text in the box ("@" when the box was emptied); Cancel (or
  // Escape): the empty text; Deixar vazio: "@".
  QString Answer() const { return answer_; }
  Shift ShiftState() const { return shift_; }
  bool Shifted() const { return shift_ != Shift::Off; }
  bool SymbolsShown() const;

 private:
  QGridLayout* KeyGrid(const char* const* rows, int rowCount);
  void Type(const QString& letter);
  void TapShift();
  void SetShift(Shift state);
  void ToggleSymbols();
  void UpdateCounter();
  void Confirm();
  void Finish(const QString& answer, bool accepted);

  QLabel* prompt_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QLabel* counter_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  QList<host::TTouchButton*> letterKeys_;
  QString answer_;
  QString initial_;
  int maxLength_ = 0;
  Shift shift_ = Shift::Off;
  QElapsedTimer lastShiftTap_;
};

}  // namespace totem::touch
