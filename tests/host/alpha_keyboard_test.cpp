#include "host/touch/alpha_keyboard.h"

#include "gui_test_helpers.h"
#include "host/components/touch_button.h"
#include "host/touch/touch_dialogs.h"

#include <QLabel>
#include <QLineEdit>

namespace totem::touch {
namespace {

using test::Touch;
using test::TouchAll;
using test::WhenModalOpens;

QString Shown(QDialog* keyboard) { return test::Child<QLineEdit>(keyboard, "text")->text(); }

TEST(AlphaKeyboardTest, TypesAccentedTextWithShiftAndAnswersItOnOk) {
  QStringList seen;
  WhenModalOpens([&](QDialog* keyboard) {
    seen << Shown(keyboard);
    TouchAll(keyboard, {"key_ç", "key_ã", "key_o", "key_space"});
    seen << Shown(keyboard);
    // One tap of shift: the next letter only; two quick taps: locked.
    TouchAll(keyboard, {"key_shift", "key_é", "key_a", "key_shift", "key_shift", "key_é", "key_1",
                        "key_b", "key_shift", "key_c"});
    Touch(keyboard, "key_ok");
  });
  EXPECT_EQ(TecladoAlfanumerico("Ola ", ""), QString("Ola ção ÉaÉ1Bc"));
  EXPECT_EQ(seen, QStringList({"Ola ", "Ola ção "}));
}

TEST(AlphaKeyboardTest, ShiftShowsCapitalsOnTheLetterKeysUntilTheNextLetter) {
  AlphaKeyboard keyboard("", "");
  auto* a = test::Child<host::TTouchButton>(&keyboard, "key_a");
  auto* cedilla = test::Child<host::TTouchButton>(&keyboard, "key_ç");
  Touch(&keyboard, "key_shift");
  EXPECT_EQ(keyboard.ShiftState(), AlphaKeyboard::Shift::Once);
  EXPECT_EQ(a->text(), QString("A"));
  EXPECT_EQ(cedilla->text(), QString("Ç"));
  Touch(&keyboard, "key_a");
  EXPECT_FALSE(keyboard.Shifted());
  EXPECT_EQ(a->text(), QString("a"));
}

// Every printable ASCII character can be typed, on the letters page or the
// symbols page; a limit shows as a counter and stops input at it.
TEST(AlphaKeyboardTest, EveryPrintableAsciiCharacterHasAKeyAndTheLimitHolds) {
  AlphaKeyboard keyboard("", "", 0);
  for (char c = '!'; c <= '~'; ++c) {
    const QString name = QString("key_") + QChar(c).toLower();
    EXPECT_NE(keyboard.findChild<host::TTouchButton*>(name), nullptr) << c;
  }
  QString typed;
  WhenModalOpens([&](QDialog* dialog) {
    auto* counter = test::Child<QLabel>(dialog, "counter");
    typed = counter->text();
    TouchAll(dialog, {"key_symbols", "key_&", "key_@", "key_symbols", "key_a", "key_b"});
    typed += " " + counter->text();
    Touch(dialog, "key_ok");
  });
  EXPECT_EQ(TecladoAlfanumerico("xyz", "", 5), QString("xyz&@"));
  EXPECT_EQ(typed, QString("3/5 5/5"));
}

TEST(AlphaKeyboardTest, BackspaceRemovesTheLastCharacter) {
  WhenModalOpens([](QDialog* keyboard) {
    TouchAll(keyboard, {"key_backspace", "key_backspace", "key_x", "key_ok"});
  });
  EXPECT_EQ(TecladoAlfanumerico("Caixa", ""), QString("Caix"));
}

// Limpar empties the box and the keyboard stays; the value is emptied by
// "Deixar vazio", or by OK on the emptied box.
TEST(AlphaKeyboardTest, ClearEmptiesTheBoxAndEmptyingAnswersTheAtSign) {
  const struct {
    QStringList keys;
    QString current, answer;
  } cases[] = {
      {{"key_b", "key_clear", "key_x", "key_ok"}, "Mensagem", "x"},
      {{"key_clear", "key_ok"}, "Mensagem", "@"},
      {{"key_b", "key_empty"}, "Mensagem", "@"},
      {{"key_ok"}, "", ""},
      // The cursor moves back into the text: a letter goes where it is.
      {{"key_left", "key_left", "key_x", "key_right", "key_y", "key_ok"}, "abcd", "abxcyd"},
  };
  for (const auto& c : cases) {
    WhenModalOpens([&](QDialog* keyboard) {
      for (const QString& key : c.keys) {
        if (key == "key_ok") {
          EXPECT_TRUE(keyboard->isVisible()) << key.toStdString();
        }
        Touch(keyboard, key);
      }
    });
    EXPECT_EQ(TecladoAlfanumerico(c.current, ""), c.answer) << c.keys.join(' ').toStdString();
  }
}

TEST(AlphaKeyboardTest, CancelAnswersTheEmptyTextWhateverWasTyped) {
  WhenModalOpens([](QDialog* keyboard) { TouchAll(keyboard, {"key_z", "key_cancel"}); });
  EXPECT_EQ(TecladoAlfanumerico("Mensagem", ""), QString());
}

TEST(AlphaKeyboardTest, PhysicalKeysTypeEnterConfirmsEscapeCancels) {
  WhenModalOpens([](QDialog* keyboard) {
    auto* edit = test::Child<QLineEdit>(keyboard, "text");
    test::TypeText(edit, "ão!");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(TecladoAlfanumerico("p", ""), QString("pão!"));

  WhenModalOpens([](QDialog* keyboard) {
    QTest::keyClicks(test::Child<QLineEdit>(keyboard, "text"), "x");
    QTest::keyClick(keyboard, Qt::Key_Escape);
  });
  EXPECT_EQ(TecladoAlfanumerico("p", ""), QString());
}

}  // namespace
}  // namespace totem::touch
