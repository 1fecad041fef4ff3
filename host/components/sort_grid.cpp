#include "host/components/sort_grid.h"

#include "host/components/error_handling.h"
#include "host/components/touch_style.h"

#include <QHeaderView>

namespace totem::host {

TDBSortGrid::TDBSortGrid(QWidget* parent)
    : QTableView(parent), model_(new DatasetTableModel(this)) {
  setModel(model_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setAlternatingRowColors(false);
  // Every row the same height: the view then never measures rows, which
  // keeps a list of tens of thousands of rows as quick as a short one.
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // Rows tall enough for a finger.
  verticalHeader()->setDefaultSectionSize(qMax(Scaled(kMinRowHeight), fontMetrics().height() + 8));
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setSortIndicatorShown(true);
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  // The last column takes the width left over, so that columns that fit
  // never bring up a horizontal scroll bar.
  horizontalHeader()->setStretchLastSection(true);
  EnableFingerScrolling(this);

  connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { RunGuarded([&] { OnTitleClicked(column); }); });
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (!following_) RunGuarded([&] { OnRowTouched(current); });
          });
  connect(model_, &DatasetTableModel::currentRowMoved, this, &TDBSortGrid::SelectRecNo);
}

void TDBSortGrid::SetDataset(ClientDataset* dataset) {
  model_->SetDataset(dataset);
  horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  ApplyWidths();
  SelectRecNo(dataset ? dataset->RecNo() : -1);
}

void TDBSortGrid::SetColumns(std::vector<GridColumn> columns) {
  model_->SetColumns(std::move(columns));
  ApplyWidths();
  if (ClientDataset* dataset = Dataset()) SelectRecNo(dataset->RecNo());
}

void TDBSortGrid::ApplyWidths() {
  // The last column is left to stretch over the width left over.
  const auto& columns = model_->Columns();
  for (int i = 0; i + 1 < static_cast<int>(columns.size()); ++i)
    if (columns[i].width > 0) setColumnWidth(i, columns[i].width);
}

void TDBSortGrid::OnTitleClicked(int column) {
  ClientDataset* dataset = Dataset();
  const int field = model_->FieldOfColumn(column);
  if (!dataset || field < 0) return;
  const std::string& name = dataset->Fields()[field].name;
  const bool sameField = dataset->FieldIndex(dataset->SortField()) == field;
  const bool descending = sameField && !dataset->SortDescending();
  dataset->SortBy(name, descending);
  horizontalHeader()->setSortIndicator(column,
                                       descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TDBSortGrid::OnRowTouched(const QModelIndex& current) {
  ClientDataset* dataset = Dataset();
  const int recNo = model_->RecNoOfRow(current.row());
  if (dataset && recNo >= 0 && recNo != dataset->RecNo()) dataset->MoveTo(recNo);
}

void TDBSortGrid::SelectRecNo(int recNo) {
  following_ = true;
  const int row = model_->RowOfRecNo(recNo);
  if (row < 0) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  } else {
    const QModelIndex index = model_->index(row, qMax(0, currentIndex().column()));
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
  }
  following_ = false;
}

}  // namespace totem::host
