#pragma once
// What putting back would do, shown before it is done: for a restore, each
// value of the register that would change, old → new; for undoing a copy,
// each register the copy changed, whether it goes back (with its values)
// or stays as it is and why. "Confirmar" answers true; "Cancelar" false.
#include "form/touch/register_dialogs.h"

#include <QDialog>

namespace totem::form {

class UndoPreviewDialog : public QDialog {
  Q_OBJECT

 public:
  // preview: a restore preview or an undo preview packet; confirm names
  // what the confirming key does ("Restaurar", "Desfazer a cópia").
  UndoPreviewDialog(const QString& title, const QString& explanation, const DataPacket& preview,
                    const FieldLabels& labels, const QString& confirm, QWidget* parent);

  // Registers the preview says would go back (or the one restored).
  int PutBack() const { return putBack_; }

 private:
  int putBack_ = 0;
};

}  // namespace totem::form
