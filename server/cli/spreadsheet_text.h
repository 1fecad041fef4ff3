#pragma once
// What spreadsheets save as CSV: text in UTF-8 (with or without a
// byte-order mark) or, in Brazil, Windows-1252; fields separated by commas
// or, where the comma is the decimal sign, by semicolons. The bytes of a
// file become UTF-8 text and its separator before the CSV is read.
#include <cstddef>
#include <string>
#include <string_view>

namespace totem::server {

struct SpreadsheetText {
  std::string utf8;      // without a byte-order mark
  std::string encoding;  // "UTF-8", "UTF-8 com BOM" or "Windows-1252"
  char separator = ',';  // the first ',' or ';' of the header line; ',' without either
};

// Bytes that are not valid UTF-8 are read as Windows-1252. Throws CsvError
// with the line of the first byte that is neither (one of the five
// Windows-1252 leaves undefined), or of a file mixing UTF-8 text with other
// bytes, which no single encoding would read right.
SpreadsheetText DecodeSpreadsheet(std::string_view bytes);

}  // namespace totem::server
