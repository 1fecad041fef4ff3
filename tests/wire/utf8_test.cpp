#include "platform/utf8.h"

#include <gtest/gtest.h>

using namespace totem;

TEST(Utf8, AcceptsWellFormedAndRefusesMalformedText) {
  struct Case {
    std::string text;
    bool valid;
  } cases[] = {
      {"", true},
      {"Caixa não cadastrado.", true},
      {"\xF0\x9F\x98\x80", true},   // 4-byte emoji
      {"\xC3\x28", false},          // bad continuation
      {"\xC0\xAF", false},          // overlong '/'
      {"\xE0\x80\xAF", false},      // overlong 3-byte
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xC3", false},              // truncated
      {"abc\x80", false},           // stray continuation
      // Past runs of ASCII read eight bytes at a time.
      {"abcdefgh\xC3", false},
      {"abcdefghijklmnop\xED\xA0\x80", false},
      {"abcdefghijklmnopé", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

TEST(Utf8, FieldSizesCountCharactersNotBytes) {
  EXPECT_EQ(CountCodePoints("Promoção"), 8u);
  EXPECT_EQ(CountCodePoints(std::string(200, 'a')), 200u);
  std::string accents;
  for (int i = 0; i < 200; ++i) accents += "é";
  EXPECT_EQ(accents.size(), 400u);
  EXPECT_EQ(CountCodePoints(accents), 200u);
}
