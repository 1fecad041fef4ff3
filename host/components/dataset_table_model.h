#pragma once
// Table model over a client dataset for grids and search lists. It reads
// cells on demand (a 50,000-row list costs nothing until rows are painted)
// and follows the dataset: new content, filter or sort reset the model, and
// a move of the current row is announced with currentRowMoved.
#include "platform/client_dataset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace totem::host {

struct GridColumn {
  GridColumn() = default;
  GridColumn(std::string field, int widthPixels = 0, QString titleText = {})
      : fieldName(std::move(field)), width(widthPixels), title(std::move(titleText)) {}

  std::string fieldName;
  int width = 0;  // pixels; 0 leaves the view's default
  QString title;  // empty: the field's display label (its name without one)
  std::optional<QColor> textColor;
  std::optional<QFont> font;
  std::optional<QColor> titleColor;
  std::optional<QColor> titleBackground;
  std::optional<QFont> titleFont;
};

class DatasetTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit DatasetTableModel(QObject* parent = nullptr);
  ~DatasetTableModel() override;

  // The dataset must outlive the model or be detached with nullptr first;
  // should it die first anyway, the model notices and shows nothing.
  void SetDataset(ClientDataset* dataset);
  ClientDataset* Dataset() const;

  // No columns: one per visible field, titled with its display label.
  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& Columns() const { return columns_; }
  // Field index (in the dataset) shown by a column; -1 for an unknown field.
  int FieldOfColumn(int column) const;

  // Shows only these dataset rows (view indexes), in this order; rows of
  // the dataset otherwise.
  void SetRowSubset(std::optional<std::vector<int>> recNos);
  // The dataset row (view index) behind a model row; -1 when out of range.
  int RecNoOfRow(int row) const;
  // The model row showing a dataset row; -1 when it is not shown.
  int RowOfRecNo(int recNo) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The dataset's current row (view index, -1 when empty) after a move or
  // after new content.
  void currentRowMoved(int recNo);
  // The dataset's rows changed (content, filter or sort): a row subset no
  // longer means anything and has been dropped.
  void datasetContentChanged();

 private:
  void Attach(ClientDataset* dataset);
  void Detach();
  bool Alive() const;
  void ResolveFields();
  void OnDatasetChange(ClientDataset::Change change);

  ClientDataset* dataset_ = nullptr;
  int listenerId_ = 0;
  // Held by the listener inside the dataset: it expires when the dataset
  // dies with its listeners, so the model never touches a dead dataset.
  std::weak_ptr<int> alive_;
  std::vector<GridColumn> columns_;
  std::vector<GridColumn> shown_;  // columns_, or the visible fields
  std::vector<int> fields_;        // field index of each shown column
  std::optional<std::vector<int>> subset_;
};

}  // namespace totem::host
