// Putting a register back from its history: to the values of an earlier
// save, or undoing a whole copy. The history dialog shows each preview and
// asks; the server does the putting back, each as a new save.
#include "form/host_calls.h"
#include "form/parametro_toten_form.h"
#include "platform/column_names.h"
#include "service/dataset_fields.h"

namespace totem::form {

form::UndoActions TfrmParametroToten::UndoFromHistory(const std::string& filial,
                                                      const std::string& caixa, QString& said) {
  // Putting back replaces the stored record: edits on screen would be lost
  // when the page shows it.
  const auto requireNoEdits = [this] {
    if (!tcbConfirma->isEnabled()) return;
    ShowError("Confirme ou cancele as alterações deste caixa antes de restaurar.");
    throw SilentAbort();
  };
  UndoActions undo;
  undo.restauraPrevia = [=, this](const std::string& nr) {
    requireNoEdits();
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Search);
    return host::CheckResultServ(server_->getRestauraPrevia(filial, caixa, nr), true, 0);
  };
  undo.restaura = [=, this, &said](const std::string& nr) {
    auto done = service::MakeCdsRestaura();
    {
      host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
      done->SetData(
          TouchCheckResultServ(server_->setRestauraParametros(filial, caixa, nr), true, 0));
    }
    said = QStringLiteral("Caixa restaurado aos valores da gravação Nº %1 (gravação Nº %2).")
               .arg(QtText(nr), QtText(done->FieldAsString(contract::col::NRGRAVACAO)));
  };
  undo.desfazPrevia = [=, this](const std::string& id) {
    requireNoEdits();
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Search);
    return host::CheckResultServ(server_->getDesfazCopiaPrevia(id), true, 0);
  };
  undo.desfaz = [this, &said](const std::string& id) {
    auto counts = service::MakeCdsDesfaz();
    {
      host::BusyAnimation busy(MainForm(), host::TShowAvi::Copy);
      counts->SetData(TouchCheckResultServ(server_->setDesfazCopia(id), true, 0));
    }
    said = QStringLiteral("Cópia %1 desfeita: %2 caixa(s) restaurado(s), %3 mantido(s).")
               .arg(QtText(id), QtText(counts->FieldAsString(contract::col::NRRESTAURADOS)),
                    QtText(counts->FieldAsString(contract::col::NRMANTIDOS)));
  };
  return undo;
}

}  // namespace totem::form
