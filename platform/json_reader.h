#pragma once
// A small pull reader for JSON text, used where the client reads the
// server's answers: it walks the text once and hands values straight to the
// caller, with no document tree in between. Strict about the grammar and
// about UTF-8; throws ProtocolError with the offset of the fault.
#include <cstdint>
#include <string>
#include <string_view>

namespace totem {

class JsonReader {
 public:
  explicit JsonReader(std::string_view text);

  enum class Kind { Object, Array, String, Number, True, False, Null, End };
  // Kind of the next value (after blanks).
  Kind Peek();

  void BeginObject();
  // Moves to the next member: true with its key, false at the closing brace.
  bool NextKey(std::string& key);
  void BeginArray();
  // True when another element follows, false at the closing bracket.
  bool NextElement();

  std::string ReadString();
  void ReadString(std::string& out);
  std::int64_t ReadInteger();
  // Any number, as the JSON text spelled it (for ids).
  std::string ReadNumberText();
  bool ReadBool();
  void ReadNull();
  // Skips one value of any kind.
  void SkipValue();
  // Fails unless only blanks are left.
  void ExpectEnd();

  [[noreturn]] void Fail(const std::string& why) const;

 private:
  void SkipBlanks() {
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c != ' ' && c != '\n' && c != '\r' && c != '\t') break;
      ++pos_;
    }
  }
  char Next() {  // consumes one character; fails at the end
    if (pos_ >= text_.size()) Fail("fim inesperado do texto");
    return text_[pos_++];
  }
  void Expect(char c);
  void ExpectWord(std::string_view word);
  void AppendEscape(std::string& out);

  std::string_view text_;
  // The whole text is UTF-8: so is every text read from it, as a quote or
  // an escape never falls inside a character's bytes. Otherwise each text
  // is checked as it is read, to say which one is wrong.
  bool wholeIsUtf8_ = false;
  std::size_t pos_ = 0;
  // Per open container: whether an element or member was read already.
  std::string firsts_;
};

}  // namespace totem
