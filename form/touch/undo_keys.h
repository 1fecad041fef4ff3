#pragma once
// The keys on each save of the history that put it back: "Restaurar esta
// versão" on every save, "Desfazer esta cópia" on a save a copy made. Each
// shows its preview first (undo_preview_dialog.h), writes only when the
// user confirms there, and then closes the history, whose rows no longer
// end at the register's last save.
#include "form/touch/register_dialogs.h"

#include <string>

class QDialog;
class QTreeWidgetItem;

namespace totem::form {

// Adds the keys as the first row under save; nothing when undo has no
// actions. history, labels and undo must outlive the keys.
void AddUndoKeys(QDialog* history, QTreeWidgetItem* save, const std::string& nrGravacao,
                 const std::string& idCopia, const FieldLabels& labels, const UndoActions& undo);

}  // namespace totem::form
