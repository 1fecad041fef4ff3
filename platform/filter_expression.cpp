#include "platform/filter_expression.h"

#include "platform/errors.h"

namespace totem {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentifierChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9'); }

// Recursive descent over the grammar
//   filter := [ term { "and" term } ]
//   term   := identifier ( "=" | "<>" ) literal
// An empty (or blank) text has no terms and lets every row through.
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::vector<FilterExpression::Term> Run() {
    std::vector<FilterExpression::Term> terms;
    SkipSpace();
    if (AtEnd()) return terms;
    while (true) {
      terms.push_back(ParseTerm());
      SkipSpace();
      if (AtEnd()) return terms;
      if (!TakeAnd()) Fail(pos_, "esperado \"and\" ou o fim do filtro");
      SkipSpace();
    }
  }

 private:
  FilterExpression::Term ParseTerm() {
    FilterExpression::Term term;
    term.field = ParseIdentifier();
    SkipSpace();
    term.notEqual = ParseOperator(term.field);
    SkipSpace();
    term.literal = ParseLiteral();
    return term;
  }

  std::string ParseIdentifier() {
    if (AtEnd() || !IsLetter(text_[pos_])) Fail(pos_, "esperado o nome de um campo");
    const std::size_t start = pos_;
    while (!AtEnd() && IsIdentifierChar(text_[pos_])) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  bool ParseOperator(const std::string& field) {
    if (Take("=")) return false;
    if (Take("<>")) return true;
    Fail(pos_, "esperado = ou <> depois de " + field);
  }

  std::string ParseLiteral() {
    const std::size_t open = pos_;
    if (!Take("'")) Fail(pos_, "esperado um texto entre apóstrofos");
    std::string literal;
    while (true) {
      const std::size_t quote = text_.find('\'', pos_);
      if (quote == std::string_view::npos) Fail(open, "texto sem o apóstrofo de fechamento");
      literal.append(text_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      // A doubled quote stands for one quote inside the text.
      if (AtEnd() || text_[pos_] != '\'') return literal;
      literal.push_back('\'');
      ++pos_;
    }
  }

  // "and" in any case, as a whole word.
  bool TakeAnd() {
    if (text_.size() - pos_ < 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
      if ((text_[pos_ + i] | 0x20) != "and"[i]) return false;
    }
    if (pos_ + 3 < text_.size() && IsIdentifierChar(text_[pos_ + 3])) return false;
    pos_ += 3;
    return true;
  }

  bool Take(std::string_view token) {
    if (text_.substr(pos_, token.size()) != token) return false;
    pos_ += token.size();
    return true;
  }

  void SkipSpace() {
    while (!AtEnd() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }

  // Position in characters, counted from 1, as the user sees the text.
  std::size_t CharacterPosition(std::size_t byteOffset) const {
    std::size_t position = 1;
    for (std::size_t i = 0; i < byteOffset; ++i) {
      if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++position;
    }
    return position;
  }

  [[noreturn]] void Fail(std::size_t byteOffset, const std::string& reason) const {
    throw DatasetError("Filtro \"" + std::string(text_) + "\" inválido na posição " +
                       std::to_string(CharacterPosition(byteOffset)) + ": " + reason + ".");
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<FilterExpression> FilterExpression::Parse(std::string_view text) {
  auto expression = std::make_unique<FilterExpression>();
  expression->terms_ = Parser(text).Run();
  return expression;
}

}  // namespace totem
