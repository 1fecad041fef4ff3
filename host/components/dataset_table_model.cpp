#include "host/components/dataset_table_model.h"

#include <QtGlobal>

namespace totem::host {

DatasetTableModel::DatasetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

DatasetTableModel::~DatasetTableModel() { Detach(); }

bool DatasetTableModel::Alive() const { return dataset_ && !alive_.expired(); }

ClientDataset* DatasetTableModel::Dataset() const { return Alive() ? dataset_ : nullptr; }

void DatasetTableModel::SetDataset(ClientDataset* dataset) {
  beginResetModel();
  Detach();
  Attach(dataset);
  subset_.reset();
  ResolveFields();
  endResetModel();
}

void DatasetTableModel::Attach(ClientDataset* dataset) {
  dataset_ = dataset;
  if (!dataset_) return;
  auto token = std::make_shared<int>(0);
  alive_ = token;
  listenerId_ = dataset_->AddListener(
      [this, token](ClientDataset::Change change) { OnDatasetChange(change); });
}

void DatasetTableModel::Detach() {
  if (Alive()) dataset_->RemoveListener(listenerId_);
  dataset_ = nullptr;
  listenerId_ = 0;
  alive_.reset();
}

void DatasetTableModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  ResolveFields();
  endResetModel();
}

void DatasetTableModel::ResolveFields() {
  shown_.clear();
  fields_.clear();
  if (!columns_.empty()) {
    shown_ = columns_;
  } else if (Alive()) {
    for (const FieldDef& field : dataset_->Fields())
      if (field.visible) shown_.emplace_back(field.name);
  }
  for (const GridColumn& column : shown_) {
    const int index = Alive() ? dataset_->FieldIndex(column.fieldName) : -1;
    if (Alive() && index < 0)
      qWarning("Grade: campo %s não existe em %s.", column.fieldName.c_str(),
               dataset_->Name().c_str());
    fields_.push_back(index);
  }
}

int DatasetTableModel::FieldOfColumn(int column) const {
  return column >= 0 && column < static_cast<int>(fields_.size()) ? fields_[column] : -1;
}

void DatasetTableModel::SetRowSubset(std::optional<std::vector<int>> recNos) {
  beginResetModel();
  subset_ = std::move(recNos);
  endResetModel();
}

int DatasetTableModel::RecNoOfRow(int row) const {
  if (row < 0 || row >= rowCount()) return -1;
  return subset_ ? (*subset_)[row] : row;
}

int DatasetTableModel::RowOfRecNo(int recNo) const {
  if (!Alive() || recNo < 0) return -1;
  if (!subset_) return recNo < dataset_->RecordCount() ? recNo : -1;
  for (int row = 0; row < static_cast<int>(subset_->size()); ++row)
    if ((*subset_)[row] == recNo) return row;
  return -1;
}

void DatasetTableModel::OnDatasetChange(ClientDataset::Change change) {
  if (change == ClientDataset::Change::Content) {
    beginResetModel();
    subset_.reset();
    endResetModel();
    emit datasetContentChanged();
  }
  emit currentRowMoved(dataset_->RecNo());
}

int DatasetTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !Alive()) return 0;
  return subset_ ? static_cast<int>(subset_->size()) : dataset_->RecordCount();
}

int DatasetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

QVariant DatasetTableModel::data(const QModelIndex& index, int role) const {
  const int recNo = RecNoOfRow(index.row());
  const int column = index.column();
  if (recNo < 0 || column < 0 || column >= columnCount()) return {};
  const GridColumn& c = shown_[column];
  switch (role) {
    case Qt::DisplayRole: {
      const int field = fields_[column];
      if (field < 0 || recNo >= dataset_->RecordCount()) return {};
      return QString::fromStdString(dataset_->ValueAt(recNo, field));
    }
    case Qt::ForegroundRole:
      return c.textColor ? QVariant(*c.textColor) : QVariant();
    case Qt::FontRole:
      return c.font ? QVariant(*c.font) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant DatasetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const GridColumn& c = shown_[section];
  switch (role) {
    case Qt::DisplayRole: {
      if (!c.title.isEmpty()) return c.title;
      const int field = fields_[section];
      if (field >= 0 && Alive() && !dataset_->Fields()[field].displayLabel.empty())
        return QString::fromStdString(dataset_->Fields()[field].displayLabel);
      return QString::fromStdString(c.fieldName);
    }
    case Qt::ForegroundRole:
      return c.titleColor ? QVariant(*c.titleColor) : QVariant();
    case Qt::BackgroundRole:
      return c.titleBackground ? QVariant(*c.titleBackground) : QVariant();
    case Qt::FontRole:
      return c.titleFont ? QVariant(*c.titleFont) : QVariant();
    default:
      return {};
  }
}

Qt::ItemFlags DatasetTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace totem::host
