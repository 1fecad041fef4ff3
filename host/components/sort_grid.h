#pragma once
// Read-only grid over a client dataset. Rows are selected whole; touching a
// row makes it the dataset's current row, and a move of the dataset's
// current row moves the selection. A click on a column title sorts the
// dataset by that column, ascending first, then alternating.
#include "host/components/dataset_table_model.h"

#include <QTableView>

namespace totem::host {

class TDBSortGrid : public QTableView {
  Q_OBJECT

 public:
  // The least height of a row: a finger's touch.
  static constexpr int kMinRowHeight = 32;

  explicit TDBSortGrid(QWidget* parent = nullptr);

  // The dataset must outlive the grid or be detached with nullptr first.
  void SetDataset(ClientDataset* dataset);
  ClientDataset* Dataset() const { return model_->Dataset(); }
  // Columns in order; an empty list shows every visible field.
  void SetColumns(std::vector<GridColumn> columns);
  DatasetTableModel* Model() const { return model_; }

 private:
  void ApplyWidths();
  void OnTitleClicked(int column);
  void OnRowTouched(const QModelIndex& current);
  void SelectRecNo(int recNo);

  DatasetTableModel* model_;
  bool following_ = false;  // moving the selection after the dataset
};

}  // namespace totem::host
