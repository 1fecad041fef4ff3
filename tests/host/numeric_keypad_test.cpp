#include "host/touch/numeric_keypad.h"

#include "gui_test_helpers.h"
#include "host/touch/touch_dialogs.h"

#include <QLineEdit>

namespace totem::touch {
namespace {

using test::Touch;
using test::TouchAll;
using test::WhenModalOpens;

QString Display(QDialog* keypad) { return test::Child<QLineEdit>(keypad, "display")->text(); }

TEST(NumericKeypadTest, TakesAtMostTheGivenNumberOfDigits) {
  QString shown;
  WhenModalOpens([&](QDialog* keypad) {
    TouchAll(keypad, {"key_3", "key_1", "key_7", "key_9"});
    shown = Display(keypad);
    Touch(keypad, "key_ok");
  });
  EXPECT_EQ(InfoQuantidade("Informe o dia inicial", 1, "2"), 31.0);
  EXPECT_EQ(shown, QString("31"));

  WhenModalOpens([](QDialog* keypad) {
    TouchAll(keypad, {"key_1", "key_2", "key_0", "key_0", "key_0", "key_5", "key_ok"});
  });
  EXPECT_EQ(InfoQuantidade("Tempo", 1, "5"), 12000.0);
}

TEST(NumericKeypadTest, PhysicalKeysTakeDigitsOnly) {
  WhenModalOpens([](QDialog* keypad) {
    QTest::keyClicks(keypad, "4a-,.5 ");
    EXPECT_EQ(Display(keypad), QString("45"));
    QTest::keyClick(keypad, Qt::Key_Enter);
  });
  EXPECT_EQ(InfoQuantidade("Tempo", 1, "5"), 45.0);
}

TEST(NumericKeypadTest, BackspaceAndClearEdit) {
  WhenModalOpens([](QDialog* keypad) {
    TouchAll(keypad, {"key_1", "key_2", "key_backspace"});
    EXPECT_EQ(Display(keypad), QString("1"));
    TouchAll(keypad, {"key_clear", "key_0", "key_ok"});
  });
  EXPECT_EQ(InfoQuantidade("Tempo", 1, "5"), 0.0) << "zero is a real answer";
}

TEST(NumericKeypadTest, CancelAnswersNegativeWhateverWasTyped) {
  WhenModalOpens([](QDialog* keypad) { TouchAll(keypad, {"key_2", "key_cancel"}); });
  EXPECT_LT(InfoQuantidade("Tempo", 1, "5"), 0);
  WhenModalOpens([](QDialog* keypad) { QTest::keyClick(keypad, Qt::Key_Escape); });
  EXPECT_LT(InfoQuantidade("Tempo", 1, "5"), 0);
}

TEST(NumericKeypadTest, OkWithNothingTypedMeansNothingEntered) {
  WhenModalOpens([](QDialog* keypad) { Touch(keypad, "key_ok"); });
  EXPECT_EQ(InfoQuantidade("Tempo", 1, "5"), -1.0);
}

TEST(NumericKeypadTest, UnreadableLimitAllowsNineDigits) {
  WhenModalOpens([](QDialog* k) {
    for (int i = 0; i < 12; ++i) Touch(k, "key_8");
    Touch(k, "key_ok");
  });
  EXPECT_EQ(InfoQuantidade("x", 1, "muitos"), 888888888.0);
}

}  // namespace
}  // namespace totem::touch
