#pragma once
// The real copy and history dialogs behind RegisterDialogs, opened modally
// over the active window.
#include "form/touch/register_dialogs.h"

namespace totem::form {

class TouchRegisterDialogs : public RegisterDialogs {
 public:
  Destinos CopiaParametros(const CaixaKey& origem, const ClientDataset& filiais,
                           const ClientDataset& caixas, const CopyPreview& preview,
                           const FieldLabels& labels) override;
  void HistoricoParametros(const QString& caixa, const HistoryPage& page, const FieldLabels& labels,
                           const UndoActions& undo) override;
};

}  // namespace totem::form
