#pragma once
// Search list over a client dataset: its visible fields under their display
// labels, in large rows, with a search box that narrows the rows to those
// where any visible column contains the text typed (ignoring case and
// accents). The dataset is only read while the list is open: its filter and
// current row are left alone, and only the caller moves it to the chosen row.
#include <QDialog>

#include <vector>

class QLabel;
class QLineEdit;
class QTableView;

namespace totem {
class ClientDataset;
}
namespace totem::host {
class DatasetTableModel;
class TTouchButton;
}  // namespace totem::host

namespace totem::touch {

class SearchList : public QDialog {
  Q_OBJECT

 public:
  // Empty title: "Pesquisa". showSearch false hides the search box.
  SearchList(ClientDataset& dataset, const QString& title, bool showSearch,
             const QString& initialSearch, QWidget* parent = nullptr);
  ~SearchList() override;

  // The dataset row (view index) picked with OK; -1 otherwise.
  int ChosenRecNo() const { return chosen_; }
  // Rows the list shows now.
  int ShownRows() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplySearch(const QString& text);
  void BuildSearchKeys();
  void SelectRow(int row);
  int SelectedRecNo() const;
  void UpdateState();
  void FitColumns();
  void OpenKeyboard();
  void Confirm();

  ClientDataset& dataset_;
  host::DatasetTableModel* model_;
  QTableView* list_ = nullptr;
  QLineEdit* search_ = nullptr;
  QLabel* count_ = nullptr;
  host::TTouchButton* ok_ = nullptr;
  std::vector<int> widths_;       // wanted width of each column
  std::vector<int> titleWidths_;  // narrowest that still shows its title
  std::vector<QString> keys_;     // per dataset row: its visible texts, folded
  int chosen_ = -1;
};

// The form of a text the search compares: accents removed, case folded
// ("Ação" and "ACAO" give the same key).
QString SearchKey(const QString& text);

}  // namespace totem::touch
