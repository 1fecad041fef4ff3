#pragma once
// The touch message box: a picture of the message type, the text in large
// print, and one large button per answer.
#include "host/components/dialog_types.h"

#include <QDialog>

namespace totem::touch {

class TouchMessageBox : public QDialog {
  Q_OBJECT

 public:
  // defaultResult: modal result of the button Enter presses (0: the first).
  // Empty caption: the type's name ("Erro", "Atenção", ...).
  TouchMessageBox(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                  int defaultResult, const QString& caption, QWidget* parent = nullptr);

  // The modal result of the button that closed the box; Escape answers
  // Cancel when offered, else the only button's result; mrNone while open.
  int Answer() const { return answer_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Close(int result);

  int answer_ = host::mrNone;
  int defaultResult_ = host::mrNone;
  int escapeResult_ = host::mrNone;
};

// Name of a button in the box ("btn_ok", "btn_cancel", "btn_yes", ...).
QString MessageButtonName(host::TMsgDlgBtn button);

}  // namespace totem::touch
