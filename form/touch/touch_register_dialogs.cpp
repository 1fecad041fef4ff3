#include "form/touch/touch_register_dialogs.h"

#include "form/touch/copy_dialog.h"
#include "form/touch/history_dialog.h"

#include <QApplication>

namespace totem::form {
namespace {

QWidget* DialogParent() { return QApplication::activeWindow(); }

}  // namespace

Destinos TouchRegisterDialogs::CopiaParametros(const CaixaKey& origem, const ClientDataset& filiais,
                                               const ClientDataset& caixas,
                                               const CopyPreview& preview,
                                               const FieldLabels& labels) {
  CopyDialog dialog(origem, filiais, caixas, preview, labels, DialogParent());
  dialog.exec();
  return dialog.Answer();
}

void TouchRegisterDialogs::HistoricoParametros(const QString& caixa, const HistoryPage& page,
                                               const FieldLabels& labels, const UndoActions& undo) {
  HistoryDialog dialog(caixa, page, labels, DialogParent(), undo);
  dialog.exec();
}

}  // namespace totem::form
