#include "host/touch/touch_message_box.h"

#include "gui_test_helpers.h"
#include "host/components/touch_button.h"
#include "host/touch/touch_dialogs.h"

#include <QLabel>

namespace totem::touch {
namespace {

using namespace totem::host;
using test::Touch;
using test::WhenModalOpens;

QStringList ButtonNames(QDialog* box) {
  QStringList names;
  for (auto* b : box->findChildren<TTouchButton*>()) names << b->objectName();
  return names;
}

TEST(TouchMessageBoxTest, ShowsTheTextAsAnErrorWithOneOkButton) {
  QString text, title;
  QStringList buttons;
  WhenModalOpens([&](QDialog* box) {
    text = test::Child<QLabel>(box, "message")->text();
    title = box->windowTitle();
    buttons = ButtonNames(box);
    Touch(box, "btn_ok");
  });
  EXPECT_EQ(TouchMessageDlg("Caixa não cadastrado.", mtError, {mbOK}, 0, 0, ""), mrOk);
  EXPECT_EQ(text, QString("Caixa não cadastrado."));
  EXPECT_EQ(title, QString("Erro"));
  EXPECT_EQ(buttons, QStringList({"btn_ok"}));
}

TEST(TouchMessageBoxTest, AnswersTheResultOfTheTouchedButton) {
  WhenModalOpens([](QDialog* box) {
    EXPECT_EQ(ButtonNames(box), QStringList({"btn_yes", "btn_no", "btn_cancel"}));
    Touch(box, "btn_no");
  });
  EXPECT_EQ(TouchMessageDlg("Gravar?", mtConfirmation, {mbCancel, mbNo, mbYes}), mrNo);
}

TEST(TouchMessageBoxTest, EnterPressesTheDefaultAndEscapeCancels) {
  WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_EQ(TouchMessageDlg("?", mtConfirmation, {mbYes, mbNo}), mrYes);
  WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_EQ(TouchMessageDlg("?", mtConfirmation, {mbYes, mbNo}, 0, mrNo), mrNo);
  WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(TouchMessageDlg("?", mtWarning, {mbOK, mbCancel}), mrCancel);
  WhenModalOpens([](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(TouchMessageDlg("Data invalida.", mtError, {mbOK}), mrOk);
}

}  // namespace
}  // namespace totem::touch
