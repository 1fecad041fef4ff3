#include "platform/json_reader.h"

#include "platform/errors.h"
#include "platform/utf8.h"

#include <charconv>
#include <cstring>

namespace totem {

JsonReader::JsonReader(std::string_view text) : text_(text), wholeIsUtf8_(IsValidUtf8(text)) {}

void JsonReader::Fail(const std::string& why) const {
  throw ProtocolError("JSON inválido na posição " + std::to_string(pos_) + ": " + why);
}

void JsonReader::Expect(char c) {
  SkipBlanks();
  if (Next() != c) {
    --pos_;
    Fail(std::string("esperado '") + c + "'");
  }
}

void JsonReader::ExpectWord(std::string_view word) {
  if (text_.substr(pos_, word.size()) != word) Fail("literal inválido");
  pos_ += word.size();
}

JsonReader::Kind JsonReader::Peek() {
  SkipBlanks();
  if (pos_ >= text_.size()) return Kind::End;
  switch (text_[pos_]) {
    case '{':
      return Kind::Object;
    case '[':
      return Kind::Array;
    case '"':
      return Kind::String;
    case 't':
      return Kind::True;
    case 'f':
      return Kind::False;
    case 'n':
      return Kind::Null;
    default: {
      char c = text_[pos_];
      if (c == '-' || (c >= '0' && c <= '9')) return Kind::Number;
      Fail("valor inesperado");
    }
  }
}

// Answers of ours nest five levels; far deeper text is not an answer and
// must not exhaust the stack.
constexpr std::size_t kMaxDepth = 64;

void JsonReader::BeginObject() {
  Expect('{');
  if (firsts_.size() >= kMaxDepth) Fail("aninhamento profundo demais");
  firsts_.push_back(1);
}

bool JsonReader::NextKey(std::string& key) {
  SkipBlanks();
  if (pos_ < text_.size() && text_[pos_] == '}') {
    ++pos_;
    firsts_.pop_back();
    return false;
  }
  if (!firsts_.back()) Expect(',');
  firsts_.back() = 0;
  SkipBlanks();
  ReadString(key);
  Expect(':');
  return true;
}

void JsonReader::BeginArray() {
  Expect('[');
  if (firsts_.size() >= kMaxDepth) Fail("aninhamento profundo demais");
  firsts_.push_back(1);
}

bool JsonReader::NextElement() {
  SkipBlanks();
  if (pos_ < text_.size() && text_[pos_] == ']') {
    ++pos_;
    firsts_.pop_back();
    return false;
  }
  if (!firsts_.back()) Expect(',');
  firsts_.back() = 0;
  return true;
}

std::string JsonReader::ReadString() {
  std::string out;
  ReadString(out);
  return out;
}

void JsonReader::ReadString(std::string& out) {
  SkipBlanks();
  if (Next() != '"') {
    --pos_;
    Fail("esperado um texto");
  }
  out.clear();
  while (true) {
    // Copy the run up to the next quote, backslash or control character.
    std::size_t run = pos_;
    while (pos_ < text_.size()) {
      unsigned char c = static_cast<unsigned char>(text_[pos_]);
      if (c == '"' || c == '\\' || c < 0x20) break;
      ++pos_;
    }
    out.append(text_.data() + run, pos_ - run);
    char c = Next();
    if (c == '"') break;
    if (c == '\\') {
      AppendEscape(out);
      continue;
    }
    --pos_;
    Fail("caractere de controle dentro de um texto");
  }
  if (!wholeIsUtf8_ && !IsValidUtf8(out)) Fail("texto que não é UTF-8");
}

void JsonReader::AppendEscape(std::string& out) {
  char c = Next();
  switch (c) {
    case '"':
      out.push_back('"');
      return;
    case '\\':
      out.push_back('\\');
      return;
    case '/':
      out.push_back('/');
      return;
    case 'b':
      out.push_back('\b');
      return;
    case 'f':
      out.push_back('\f');
      return;
    case 'n':
      out.push_back('\n');
      return;
    case 'r':
      out.push_back('\r');
      return;
    case 't':
      out.push_back('\t');
      return;
    case 'u':
      break;
    default:
      Fail("escape inválido");
  }
  auto hex4 = [&]() {
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      char h = Next();
      value <<= 4;
      if (h >= '0' && h <= '9')
        value |= unsigned(h - '0');
      else if (h >= 'a' && h <= 'f')
        value |= unsigned(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        value |= unsigned(h - 'A' + 10);
      else
        Fail("escape \\u inválido");
    }
    return value;
  };
  unsigned cp = hex4();
  if (cp >= 0xD800 && cp <= 0xDBFF) {
    if (Next() != '\\' || Next() != 'u') Fail("par substituto incompleto");
    unsigned low = hex4();
    if (low < 0xDC00 || low > 0xDFFF) Fail("par substituto inválido");
    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
  } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
    Fail("par substituto inválido");
  }
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string JsonReader::ReadNumberText() {
  SkipBlanks();
  const std::size_t start = pos_;
  auto digits = [&] {
    const std::size_t from = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ - from;
  };
  if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '0')
    ++pos_;
  else if (digits() == 0)
    Fail("número inválido");
  if (pos_ < text_.size() && text_[pos_] == '.') {
    ++pos_;
    if (digits() == 0) Fail("número inválido");
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    ++pos_;
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
    if (digits() == 0) Fail("número inválido");
  }
  return std::string(text_.substr(start, pos_ - start));
}

std::int64_t JsonReader::ReadInteger() {
  const std::string number = ReadNumberText();
  if (number.find_first_of(".eE") != std::string::npos || number.size() > 18)
    Fail("esperado um número inteiro");
  std::int64_t value = 0;
  std::from_chars(number.data(), number.data() + number.size(), value);
  return value;
}

bool JsonReader::ReadBool() {
  SkipBlanks();
  if (pos_ < text_.size() && text_[pos_] == 't') {
    ExpectWord("true");
    return true;
  }
  ExpectWord("false");
  return false;
}

void JsonReader::ReadNull() {
  SkipBlanks();
  ExpectWord("null");
}

void JsonReader::SkipValue() {
  std::string scratch;
  switch (Peek()) {
    case Kind::Object:
      BeginObject();
      while (NextKey(scratch)) SkipValue();
      return;
    case Kind::Array:
      BeginArray();
      while (NextElement()) SkipValue();
      return;
    case Kind::String:
      ReadString(scratch);
      return;
    case Kind::Number:
      ReadNumberText();
      return;
    case Kind::True:
    case Kind::False:
      ReadBool();
      return;
    case Kind::Null:
      ReadNull();
      return;
    case Kind::End:
      Fail("fim inesperado do texto");
  }
}

void JsonReader::ExpectEnd() {
  SkipBlanks();
  if (pos_ != text_.size()) Fail("texto depois do fim do documento");
}

}  // namespace totem
