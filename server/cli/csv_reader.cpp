#include "server/cli/csv_reader.h"

namespace totem::server {

std::vector<CsvRecord> ParseCsv(std::string_view text, char separator) {
  std::vector<CsvRecord> records;
  CsvRecord record{1, {}};
  std::string field;
  std::size_t line = 1;
  bool quoted = false;      // inside a quoted field
  bool afterQuote = false;  // a quoted field just closed
  bool recordHasText = false;
  std::size_t quoteLine = 0;

  auto endField = [&] {
    record.fields.push_back(std::move(field));
    field.clear();
    afterQuote = false;
  };
  auto endRecord = [&] {
    endField();
    // A blank line yields one empty field; it is no record.
    if (recordHasText || record.fields.size() > 1) records.push_back(std::move(record));
    record = CsvRecord{line + 1, {}};
    recordHasText = false;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
          afterQuote = true;
        }
      } else {
        if (c == '\n') ++line;
        field += c;
      }
      continue;
    }
    if (c == separator) {
      endField();
      recordHasText = true;
    } else if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      endRecord();
      ++line;
    } else if (afterQuote) {
      throw CsvError(line, "texto depois das aspas de fechamento");
    } else if (c == '"') {
      if (!field.empty()) throw CsvError(line, "aspas no meio de um campo sem aspas");
      quoted = true;
      quoteLine = line;
      recordHasText = true;
    } else {
      field += c;
      recordHasText = true;
    }
  }
  if (quoted) throw CsvError(quoteLine, "aspas abertas e não fechadas");
  if (recordHasText || !field.empty() || !record.fields.empty()) endRecord();
  return records;
}

}  // namespace totem::server
