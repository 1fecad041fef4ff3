#pragma once
// A CSV file as the importer reads it: whole, its text decoded (UTF-8 or
// Windows-1252, comma or semicolon), its header's column names apart from
// its rows, and one way to report a line at fault.
#include "server/cli/csv_reader.h"

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

// A file that could not be imported; nothing of it was written. The message
// reads "FILE:LINE: reason" (without LINE when the file could not be read).
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ImportSummary {
  std::string kind;  // "filiais", "caixas", "grupos de produtos" or "parâmetros dos totens"
  std::size_t rows = 0;
  std::string format;                  // how the text was read: "Windows-1252, separador ';'"
  std::optional<std::size_t> changed;  // records the file changed, where rows may change nothing
  std::vector<std::string> notes;  // what else the report says: codes padded, versions not checked
  std::vector<std::string> preview;  // a simulation's lines: what the file would change
};

// One line of a file at fault, among all those a refusal lists.
struct LineFault {
  std::size_t line;
  std::string text;
};

struct CsvFile {
  std::string path;
  std::string format;  // as in ImportSummary
  std::size_t headerLine = 1;
  std::vector<std::string> header;  // column names, trimmed and in upper case
  std::vector<CsvRecord> rows;      // the records after the header

  [[noreturn]] void Fail(std::size_t line, const std::string& message) const;
  // Refuses the file listing every line at fault, by line, between what
  // they have in common and what to do about it.
  [[noreturn]] void FailLines(const std::string& heading, std::vector<LineFault> faults,
                              const std::string& advice) const;
  // Where the header names that column.
  std::optional<std::size_t> Column(std::string_view name) const;
  // The row's fields, or Fail when it has not one per header column.
  const std::vector<std::string>& Fields(const CsvRecord& row) const;
};

// Throws ImportError for a file that cannot be read or decoded, broken
// quoting, or no header.
CsvFile ReadCsvFile(const std::string& path);

}  // namespace totem::server
