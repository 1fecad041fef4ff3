#pragma once
// Copying one register's settings to others, in two steps on one touch
// dialog. First every register of every branch, grouped by branch, each
// with a finger-sized check box; a branch's box checks all its registers;
// a text box narrows the list. "Avançar" asks what the copy would change
// and shows it register by register (old → new), with how many registers
// are already equal. "Aplicar" ends the dialog with the checked registers;
// "Voltar" goes back to change them; "Cancelar" at any step ends it with
// nothing.
#include "form/touch/register_dialogs.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace totem::host {
class TTouchButton;
}

namespace totem::form {

class CopyDialog : public QDialog {
  Q_OBJECT

 public:
  CopyDialog(const CaixaKey& origem, const ClientDataset& filiais, const ClientDataset& caixas,
             CopyPreview preview, FieldLabels labels, QWidget* parent = nullptr);

  // The registers checked now, in the list's order.
  Destinos Checked() const;
  // What the dialog ended with: the registers applied to; empty otherwise.
  const Destinos& Answer() const { return answer_; }
  // Checks or unchecks a register ("0001", "002") or, with an empty
  // register, a whole branch, as a finger on its box would.
  void SetChecked(const std::string& filial, const std::string& caixa, bool checked);
  bool PreviewShown() const;

 private:
  void BuildChoosePage(const ClientDataset& filiais, const ClientDataset& caixas);
  void BuildPreviewPage();
  void ApplyFilter(const QString& text);
  void OpenKeyboard();
  void UpdateCount();
  void ShowPreview();
  void FillPreview(const DataPacket& preview);
  QTreeWidgetItem* Find(const std::string& filial, const std::string& caixa) const;
  // A touch on a row: a register flips, a branch checks (or clears) all of
  // its registers.
  void Touched(QTreeWidgetItem* item);
  static Qt::CheckState State(const QTreeWidgetItem* item);
  static void SetState(QTreeWidgetItem* item, Qt::CheckState state);

  CaixaKey origem_;
  CopyPreview preview_;
  FieldLabels labels_;
  QStackedWidget* pages_ = nullptr;
  QLineEdit* filter_ = nullptr;
  QTreeWidget* registers_ = nullptr;
  QLabel* count_ = nullptr;
  host::TTouchButton* next_ = nullptr;
  QTreeWidget* changes_ = nullptr;
  QLabel* summary_ = nullptr;
  host::TTouchButton* apply_ = nullptr;
  Destinos answer_;
};

}  // namespace totem::form
