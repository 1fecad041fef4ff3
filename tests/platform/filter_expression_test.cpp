#include "platform/filter_expression.h"
#include "platform/client_dataset.h"
#include "platform/errors.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace totem {
namespace {

using ::testing::HasSubstr;

// "FIELD=[literal] FIELD<>[literal]" for compact expectations.
std::string Parsed(std::string_view text) {
  std::string out;
  const auto expression = FilterExpression::Parse(text);
  for (const auto& t : expression->Terms()) {
    out += (out.empty() ? "" : " ") + t.field + (t.notEqual ? "<>[" : "=[") + t.literal + "]";
  }
  return out;
}

TEST(FilterExpression, ParsesEveryAcceptedForm) {
  const std::pair<const char*, const char*> cases[] = {
      {"CDFILIAL = '0001'", "CDFILIAL=[0001]"},
      {"CDFILIAL<>'0001'", "CDFILIAL<>[0001]"},
      {" \t\nCDFILIAL\r\n=   '0001'  ", "CDFILIAL=[0001]"},
      {"NMLOJA = 'O''Brien'", "NMLOJA=[O'Brien]"},
      {"NMLOJA = ''''", "NMLOJA=[']"},
      {"NMLOJA = ''", "NMLOJA=[]"},
      {"NMLOJA = 'a = ''b'' and c'", "NMLOJA=[a = 'b' and c]"},
      {"NMLOJA = 'Promoção'", "NMLOJA=[Promoção]"},
      {"cdfilial = 'x' and CDCAIXA <> 'y'", "cdfilial=[x] CDCAIXA<>[y]"},
      {"A = '1' AND B = '2' And C = '3'", "A=[1] B=[2] C=[3]"},
      {"A='1'and B='2'", "A=[1] B=[2]"},
      {"", ""},
      {"   ", ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Parsed(text), expected) << text;
}

TEST(FilterExpression, RejectsMalformedTextWithPositionAndReason) {
  struct Case {
    const char* text;
    const char* position;  // counted in characters from 1
    const char* reason;
  };
  const Case cases[] = {
      {"CDFILIAL", "posição 9", "esperado = ou <> depois de CDFILIAL"},
      {"CDFILIAL > '1'", "posição 10", "esperado = ou <>"},
      {"CDFILIAL = 0001", "posição 12", "apóstrofos"},
      {"CDFILIAL == '1'", "posição 11", "apóstrofos"},
      {"CDFILIAL = '0001", "posição 12", "fechamento"},
      {"CDFILIAL = 'O'Brien'", "posição 15", "\"and\""},
      {"= '0001'", "posição 1", "nome de um campo"},
      {"1A = '0001'", "posição 1", "nome de um campo"},
      {"A = 'x' and", "posição 12", "nome de um campo"},
      {"A = 'x' or B = 'y'", "posição 9", "\"and\""},
      {"A = 'x' andB = 'y'", "posição 9", "\"and\""},
      {"A = 'ção' x", "posição 11", "\"and\""},
  };
  for (const auto& c : cases) {
    EXPECT_THAT([&] { FilterExpression::Parse(c.text); },
                ::testing::ThrowsMessage<DatasetError>(::testing::AllOf(
                    HasSubstr(c.text), HasSubstr(c.position), HasSubstr(c.reason))))
        << c.text;
  }
}

TEST(FilterExpression, QuotedLiteralParsesBackToTheSameText) {
  for (const char* text : {"O'Brien", "'", "''", "", "0001' or CDFILIAL <> '",
                           "x' and CDFILIAL = 'y", "a = 'b'", "Ação 'Ú'"}) {
    const std::string quoted = ClientDataset::QuoteLiteral(text);
    EXPECT_EQ(Parsed("CDFILIAL = " + quoted), "CDFILIAL=[" + std::string(text) + "]") << quoted;
  }
  EXPECT_EQ(ClientDataset::QuoteLiteral("O'Brien"), "'O''Brien'");
}

}  // namespace
}  // namespace totem
