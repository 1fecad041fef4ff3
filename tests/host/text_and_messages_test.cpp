#include "host/components/messages.h"
#include "host/components/text_checks.h"
#include "host/components/value_display.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

#include <string>

namespace totem::host {
namespace {

class MessagesTest : public ::testing::Test {
 protected:
  MessagesTest() {
    messages.SetMessages({"FILIAL|Filial ", "CAIXA_N|Caixa não cadastrado.", "sem barra",
                          "PIPE|a|b", "CAIXA_N|segunda linha", "VAZIO|"});
  }
  TMessages messages;
};

TEST_F(MessagesTest, MsgReturnsTheTextOfTheFirstLineWithTheKeyIgnoringCase) {
  EXPECT_EQ(messages.Msg("CAIXA_N"), QString("Caixa não cadastrado."));
  EXPECT_EQ(messages.Msg("caixa_n"), QString("Caixa não cadastrado."));
  EXPECT_EQ(messages.Msg("FILIAL"), QString("Filial "));  // trailing blank kept
  EXPECT_EQ(messages.Msg("PIPE"), QString("a|b"));
}

TEST_F(MessagesTest, UnknownKeysAndLinesWithoutBarGiveEmptyText) {
  EXPECT_TRUE(messages.Msg("DTINF").isEmpty());
  EXPECT_TRUE(messages.Msg("sem barra").isEmpty());
  EXPECT_TRUE(messages.Msg("").isEmpty());
  EXPECT_TRUE(messages.Msg("VAZIO").isEmpty());
}

struct EmptyCase {
  const char* text;
  bool empty;
};

class EmptyStringTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyStringTest, CountsOnlyBlanksAsEmpty) {
  const EmptyCase& c = GetParam();
  EXPECT_EQ(EmptyString(std::string(c.text)), c.empty) << '"' << c.text << '"';
  EXPECT_EQ(EmptyString(QString::fromUtf8(c.text)), c.empty) << '"' << c.text << '"';
  EXPECT_EQ(EmptyString(c.text), c.empty) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, EmptyStringTest,
                         ::testing::Values(EmptyCase{"", true}, EmptyCase{" ", true},
                                           EmptyCase{"  \t\r\n", true}, EmptyCase{"0", false},
                                           EmptyCase{" a ", false}, EmptyCase{"ã", false},
                                           EmptyCase{"-", false}));

// A value wider than its display ends in "…"; the whole text is the tooltip.
TEST(ValueDisplayTest, LongTextIsElidedAndWholeInItsTooltip) {
  TValueDisplay display;
  display.resize(112, 28);
  display.setText("30");
  EXPECT_FALSE(display.Elided());
  const QString text = QString(200, QChar(0x00E9));
  display.setText(text);
  EXPECT_TRUE(display.Elided());
  EXPECT_TRUE(display.ShownText().endsWith(QChar(0x2026)));
  EXPECT_EQ(display.text(), text);
  QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), display.mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(&display, &help);
  EXPECT_EQ(QToolTip::text(), text);
}

}  // namespace
}  // namespace totem::host
