#include "host/components/messages.h"
#include "host/components/text_checks.h"

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

}  // namespace
}  // namespace totem::host
