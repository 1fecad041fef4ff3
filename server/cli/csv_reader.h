#pragma once
// Reads comma-separated text as written by spreadsheets: fields may be
// enclosed in double quotes, with "" standing for a quote inside, and a
// quoted field may span lines. Lines end with LF or CRLF; blank lines are
// skipped. The separator may be another character (";").
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

struct CsvRecord {
  std::size_t line;  // where the record starts, from 1
  std::vector<std::string> fields;
};

class CsvError : public std::runtime_error {
 public:
  CsvError(std::size_t line, const std::string& message)
      : std::runtime_error(message), line_(line) {}
  std::size_t Line() const { return line_; }

 private:
  std::size_t line_;
};

// Throws CsvError for a quote that is never closed or text glued to a
// closing quote.
std::vector<CsvRecord> ParseCsv(std::string_view text, char separator = ',');

}  // namespace totem::server
