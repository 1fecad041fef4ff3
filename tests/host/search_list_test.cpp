#include "host/touch/search_list.h"

#include "gui_test_helpers.h"
#include "host/components/touch_button.h"
#include "host/touch/touch_dialogs.h"
#include "service/dataset_fields.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace totem::touch {
namespace {

using test::Touch;
using test::WhenModalOpens;

const std::vector<std::string> kCaixaColumns = {"CHAVE",  "CDCAIXA",  "NMCAIXA",
                                                "NMLOJA", "CDFILIAL", "CDLOJA"};

class SearchListTest : public ::testing::Test {
 protected:
  SearchListTest() {
    caixas->SetData(test::Packet(kCaixaColumns)
                        .Rows({{"k1", "001", "JOÃO BAR", "Loja Centro", "1", "10"},
                               {"k2", "002", "Adega", "Loja Sul", "1", "11"},
                               {"k3", "003", "Café", "Praça Norte", "2", "12"},
                               {"k4", "004", "Caixa Quiosque", "Loja Sul", "1", "13"}}));
  }

  static QTableView* List(QDialog* d) { return test::Child<QTableView>(d, "list"); }
  static int Rows(QDialog* d) { return List(d)->model()->rowCount(); }
  static QString Cell(QDialog* d, int row, int column) {
    return List(d)->model()->index(row, column).data().toString();
  }
  static void TouchRow(QDialog* d, int row) {
    QTableView* list = List(d);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 1)).center());
  }
  static void Type(QDialog* d, const QString& text) {
    QTest::keyClicks(test::Child<QLineEdit>(d, "search"), text);
  }

  std::unique_ptr<ClientDataset> caixas = service::MakeCdsCaixa();
};

TEST_F(SearchListTest, ShowsTheVisibleFieldsUnderTheirLabels) {
  SearchList list(*caixas, "", true, "");
  QAbstractItemModel* model = List(&list)->model();
  QStringList titles;
  for (int c = 0; c < model->columnCount(); ++c)
    titles << model->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(titles, QStringList({"Código", "Nome", "Loja", "CDLOJA"}));
  EXPECT_EQ(model->rowCount(), 4);
  EXPECT_EQ(list.windowTitle(), QString("Pesquisa"));
  EXPECT_GE(List(&list)->verticalHeader()->defaultSectionSize(), 40) << "rows for fingers";
}

TEST_F(SearchListTest, TypingNarrowsRowsByAnyVisibleColumnIgnoringCaseAndAccentsNotHiddenOnes) {
  SearchList list(*caixas, "", true, "");
  Type(&list, "joao");
  ASSERT_EQ(Rows(&list), 1);
  EXPECT_EQ(Cell(&list, 0, 1), QString("JOÃO BAR"));

  test::Child<QLineEdit>(&list, "search")->clear();
  Type(&list, "LOJA SUL");
  EXPECT_EQ(Rows(&list), 2);

  test::Child<QLineEdit>(&list, "search")->clear();
  Type(&list, "praca");
  EXPECT_EQ(Rows(&list), 1);
  EXPECT_EQ(test::Child<QLabel>(&list, "count")->text(), QString("1 registro"));

  test::Child<QLineEdit>(&list, "search")->clear();
  Type(&list, "k3");  // CHAVE is hidden
  EXPECT_EQ(Rows(&list), 0);
  EXPECT_FALSE(test::Child<host::TTouchButton>(&list, "key_ok")->isEnabled());
  EXPECT_EQ(test::Child<QLabel>(&list, "count")->text(), QString("Nenhum registro encontrado"));
}

TEST_F(SearchListTest, PickingARowLeavesTheDatasetOnIt) {
  WhenModalOpens([](QDialog* d) {
    Type(d, "sul");
    TouchRow(d, 1);
    Touch(d, "key_ok");
  });
  EXPECT_TRUE(Pesquisa(*caixas, "", "S", "", false));
  EXPECT_EQ(caixas->FieldAsString("CDCAIXA"), "004");
}

TEST_F(SearchListTest, TheDatasetsFilterIsRespectedAndLeftAsItWas) {
  caixas->SetFilter("CDFILIAL = '1'");
  caixas->SetFiltered(true);
  WhenModalOpens([](QDialog* d) {
    EXPECT_EQ(Rows(d), 3);
    Type(d, "quiosque");
    Touch(d, "key_ok");  // the only match is selected
  });
  EXPECT_TRUE(Pesquisa(*caixas, "", "S", "", false));
  EXPECT_EQ(caixas->FieldAsString("NMCAIXA"), "Caixa Quiosque");
  EXPECT_TRUE(caixas->Filtered());
  EXPECT_EQ(caixas->Filter(), "CDFILIAL = '1'");
  EXPECT_EQ(caixas->RecordCount(), 3);
}

TEST_F(SearchListTest, CancelAnswersFalseAndTouchesNothing) {
  caixas->MoveTo(2);
  caixas->SortBy("NMCAIXA");
  const int recNo = caixas->RecNo();
  int scrolls = 0;
  caixas->SetAfterScroll([&](ClientDataset&) { ++scrolls; });
  WhenModalOpens([](QDialog* d) {
    Type(d, "a");
    TouchRow(d, 0);
    Touch(d, "key_cancel");
  });
  EXPECT_FALSE(Pesquisa(*caixas, "", "S", "", false));
  EXPECT_EQ(caixas->RecNo(), recNo);
  EXPECT_EQ(caixas->SortField(), "NMCAIXA");
  EXPECT_FALSE(caixas->Filtered());
  EXPECT_EQ(scrolls, 0);
}

TEST_F(SearchListTest, StartsOnTheCurrentRowAndDoubleTapPicks) {
  caixas->MoveTo(2);
  WhenModalOpens([](QDialog* d) {
    EXPECT_EQ(List(d)->selectionModel()->selectedRows().value(0).row(), 2);
    QTableView* list = List(d);
    const QPoint at = list->visualRect(list->model()->index(1, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  });
  EXPECT_TRUE(Pesquisa(*caixas, "Caixas", "S", "", false));
  EXPECT_EQ(caixas->RecNo(), 1);
}

TEST_F(SearchListTest, KeyboardKeyOpensTheOnScreenKeyboardForTheSearch) {
  WhenModalOpens([](QDialog* d) {
    WhenModalOpens([](QDialog* keyboard) {
      test::TouchAll(keyboard, {"key_c", "key_a", "key_f", "key_é", "key_ok"});
    });
    Touch(d, "key_keyboard");
    EXPECT_EQ(test::Child<QLineEdit>(d, "search")->text(), QString("café"));
    EXPECT_EQ(Rows(d), 1);
    Touch(d, "key_ok");
  });
  EXPECT_TRUE(Pesquisa(*caixas, "", "S", "", false));
  EXPECT_EQ(caixas->FieldAsString("CDCAIXA"), "003");
}

TEST_F(SearchListTest, ConstantArgumentsShapeTheList) {
  SearchList hidden(*caixas, "Filiais", false, "");
  EXPECT_TRUE(test::Child<QLineEdit>(&hidden, "search")->isHidden());
  EXPECT_EQ(hidden.windowTitle(), QString("Filiais"));

  SearchList narrowed(*caixas, "", true, "adega");
  EXPECT_EQ(narrowed.ShownRows(), 1);
}

TEST_F(SearchListTest, SingleRowIsPickedWithoutShowingTheListWhenAsked) {
  caixas->SetFilter("CDFILIAL = '2'");
  caixas->SetFiltered(true);
  QTimer opened;  // fires only if a dialog's loop runs; gone with the test
  QObject::connect(&opened, &QTimer::timeout, [] {
    ADD_FAILURE() << "the list was shown";
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
  opened.start(0);
  EXPECT_TRUE(Pesquisa(*caixas, "", "S", "", true));
  EXPECT_EQ(caixas->FieldAsString("CDCAIXA"), "003");
}

}  // namespace
}  // namespace totem::touch
