#include "host/components/sort_grid.h"

#include "gui_test_helpers.h"
#include "host/components/dialog_provider.h"
#include "host/testing/scripted_dialogs.h"
#include "platform/errors.h"
#include "service/dataset_fields.h"

#include <QHeaderView>
#include <QScrollBar>

namespace totem::host {
namespace {

const std::vector<std::string> kCaixaColumns = {"CHAVE",  "CDCAIXA",  "NMCAIXA",
                                                "NMLOJA", "CDFILIAL", "CDLOJA"};

DataPacket Caixas() {
  return test::Packet(kCaixaColumns)
      .Rows({{"k1", "001", "Caixa Bar", "Loja Centro", "1", "10"},
             {"k2", "002", "Caixa Adega", "Loja Sul", "1", "11"},
             {"k3", "003", "Caixa Caf", "Loja Norte", "2", "12"}});
}

std::vector<GridColumn> FormColumns() {
  return {{"CDCAIXA", 73}, {"NMCAIXA", 269}, {"NMLOJA", 335, "Loja da caixa"}};
}

class SortGridTest : public ::testing::Test {
 protected:
  SortGridTest() {
    dataset->SetData(Caixas());
    dataset->SetAfterScroll([this](ClientDataset& ds) { scrolledTo.push_back(ds.RecNo()); });
    grid.SetDataset(dataset.get());
    grid.SetColumns(FormColumns());
    grid.resize(700, 300);
    grid.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&grid));
    scrolledTo.clear();
  }

  QString Cell(int row, int column) {
    return grid.model()->data(grid.model()->index(row, column)).toString();
  }
  int SelectedRow() {
    const auto rows = grid.selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
  }
  void ClickTitle(int column) {
    QHeaderView* header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
  }
  void TouchRow(int row) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                      grid.visualRect(grid.model()->index(row, 1)).center());
  }

  test::ScriptedDialogs dialogs;
  ScopedDialogProvider scope{dialogs};
  std::unique_ptr<ClientDataset> dataset = service::MakeCdsCaixa();
  TDBSortGrid grid;
  std::vector<int> scrolledTo;
};

TEST_F(SortGridTest, ShowsTheConfiguredColumnsWithLabelsAsDefaultTitles) {
  ASSERT_EQ(grid.model()->columnCount(), 3);
  auto title = [&](int c) { return grid.model()->headerData(c, Qt::Horizontal).toString(); };
  EXPECT_EQ(title(0), QString("Código"));
  EXPECT_EQ(title(1), QString("Nome"));
  EXPECT_EQ(title(2), QString("Loja da caixa"));
  EXPECT_EQ(grid.columnWidth(0), 73);
  // The last column takes what is left: columns that fit bring no
  // horizontal scroll bar, and rows are tall enough for a finger.
  grid.resize(500, 300);
  grid.show();
  QApplication::processEvents();
  EXPECT_EQ(grid.columnWidth(0) + grid.columnWidth(1) + grid.columnWidth(2),
            grid.viewport()->width());
  EXPECT_FALSE(grid.horizontalScrollBar()->isVisible());
  EXPECT_GE(grid.rowHeight(0), 32);
  EXPECT_EQ(Cell(1, 1), QString("Caixa Adega"));
}

TEST_F(SortGridTest, TitleClickSortsAscendingThenDescending) {
  ClickTitle(1);
  EXPECT_EQ(dataset->SortField(), "NMCAIXA");
  EXPECT_FALSE(dataset->SortDescending());
  EXPECT_EQ(Cell(0, 1), QString("Caixa Adega"));
  EXPECT_EQ(grid.horizontalHeader()->sortIndicatorSection(), 1);

  ClickTitle(1);
  EXPECT_TRUE(dataset->SortDescending());
  EXPECT_EQ(Cell(0, 1), QString("Caixa Caf"));
  EXPECT_EQ(grid.horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

  ClickTitle(0);
  EXPECT_EQ(dataset->SortField(), "CDCAIXA");
  EXPECT_FALSE(dataset->SortDescending());
}

TEST_F(SortGridTest, SortingKeepsTheSelectionOnTheSameRecordWithoutAScroll) {
  dataset->MoveTo(1);  // "Caixa Adega"
  scrolledTo.clear();
  ClickTitle(1);
  EXPECT_EQ(dataset->FieldAsString("NMCAIXA"), "Caixa Adega");
  EXPECT_EQ(SelectedRow(), dataset->RecNo());
  EXPECT_TRUE(scrolledTo.empty());
}

TEST_F(SortGridTest, TouchingARowMovesTheDatasetThere) {
  TouchRow(2);
  EXPECT_EQ(dataset->RecNo(), 2);
  EXPECT_EQ(dataset->FieldAsString("CDCAIXA"), "003");
  EXPECT_EQ(scrolledTo, std::vector<int>{2});
  TouchRow(2);
  EXPECT_EQ(scrolledTo, std::vector<int>{2}) << "same row: no second scroll";
}

TEST_F(SortGridTest, MovingTheDatasetMovesTheSelection) {
  EXPECT_EQ(SelectedRow(), 0);
  dataset->Last();
  EXPECT_EQ(SelectedRow(), 2);
  dataset->Prior();
  EXPECT_EQ(SelectedRow(), 1);
  EXPECT_EQ(scrolledTo, (std::vector<int>{2, 1})) << "the grid adds no moves of its own";
}

TEST_F(SortGridTest, NewContentAndFilterReselectTheCurrentRow) {
  dataset->Last();
  dataset->SetFilter("CDFILIAL = '1'");
  dataset->SetFiltered(true);
  EXPECT_EQ(grid.model()->rowCount(), 2);
  EXPECT_EQ(SelectedRow(), 0);
  dataset->SetData(test::Packet(kCaixaColumns).Rows({}));
  EXPECT_EQ(grid.model()->rowCount(), 0);
  EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(SortGridTest, FailureInTheDatasetsAfterScrollIsShownNotThrownIntoQt) {
  dataset->SetAfterScroll([](ClientDataset&) { throw TotemError("Falha ao carregar caixa."); });
  TouchRow(1);
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"Falha ao carregar caixa."}));
}

TEST_F(SortGridTest, DatasetDestroyedFirstLeavesAnEmptyGridNotACrash) {
  dataset.reset();
  EXPECT_EQ(grid.model()->rowCount(), 0);
  EXPECT_EQ(grid.Dataset(), nullptr);
  grid.SetDataset(nullptr);
}

TEST(SortGridLargeTest, FiftyThousandRowsFollowTheDatasetToTheEnd) {
  auto dataset = service::MakeCdsCaixa();
  std::vector<std::vector<std::string>> rows;
  rows.reserve(50000);
  for (int i = 0; i < 50000; ++i)
    rows.push_back({"k" + std::to_string(i), std::to_string(i % 1000), "Caixa " + std::to_string(i),
                    "Loja", "1", "10"});
  dataset->SetData(test::Packet(kCaixaColumns).Rows(rows));
  TDBSortGrid grid;
  grid.SetDataset(dataset.get());
  grid.SetColumns(FormColumns());
  grid.resize(700, 300);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  EXPECT_EQ(grid.model()->rowCount(), 50000);
  dataset->Last();
  const QModelIndex last = grid.model()->index(49999, 1);
  EXPECT_EQ(grid.currentIndex().row(), 49999);
  EXPECT_TRUE(grid.viewport()->rect().intersects(grid.visualRect(last)));
  EXPECT_EQ(grid.model()->data(last).toString(), QString("Caixa 49999"));
}

}  // namespace
}  // namespace totem::host
