#pragma once
// On-screen keyboard: the text being edited in a large box, letters with the
// accented ones Portuguese needs, digits, punctuation, a shift key for
// capitals, space, backspace, a "Limpar" key that answers "@" (the callers
// clear the value), OK and Cancel. Physical keys type into the box too.
#include <QDialog>

class QGridLayout;
class QLabel;
class QLineEdit;

namespace totem::host {
class TTouchButton;
}

namespace totem::touch {

class AlphaKeyboard : public QDialog {
  Q_OBJECT

 public:
  // Empty prompt: "Digite o texto".
  AlphaKeyboard(const QString& current, const QString& prompt, QWidget* parent = nullptr);

  // OK: the text in the box; Cancel (or Escape): the empty text; Limpar: "@".
  QString Answer() const { return answer_; }
  bool Shifted() const { return shifted_; }

 private:
  void AddKeyRow(QGridLayout* grid, int row, const QString& keys);
  void Type(const QString& letter);
  void ToggleShift();
  void Finish(const QString& answer, bool accepted);

  QLabel* prompt_ = nullptr;
  QLineEdit* edit_ = nullptr;
  QList<host::TTouchButton*> letterKeys_;
  QString answer_;
  bool shifted_ = false;
};

}  // namespace totem::touch
