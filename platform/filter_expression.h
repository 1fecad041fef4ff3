#pragma once
// Filter expressions of client datasets:
//   FIELD = 'literal' [and FIELD <> 'literal' ...]
// A quote inside a literal is written doubled ('O''Brien'). Field names are
// matched case-insensitively, "and" in any case; comparisons are exact.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace totem {

class FilterExpression {
 public:
  struct Term {
    std::string field;
    bool notEqual = false;
    std::string literal;
  };

  // Throws DatasetError with the position and the reason when the text does
  // not parse.
  static std::unique_ptr<FilterExpression> Parse(std::string_view text);

  const std::vector<Term>& Terms() const { return terms_; }

 private:
  std::vector<Term> terms_;
};

}  // namespace totem
