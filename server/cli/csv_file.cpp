#include "server/cli/csv_file.h"

#include "server/cli/spreadsheet_text.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace totem::server {
namespace {

std::string HeaderName(std::string text) {
  auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
  text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path + ": não foi possível abrir o arquivo");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw ImportError(path + ": erro ao ler o arquivo");
  return content.str();
}

}  // namespace

void CsvFile::Fail(std::size_t line, const std::string& message) const {
  throw ImportError(path + ":" + std::to_string(line) + ": " + message);
}

void CsvFile::FailLines(const std::string& heading, std::vector<LineFault> faults,
                        const std::string& advice) const {
  std::stable_sort(faults.begin(), faults.end(),
                   [](const LineFault& a, const LineFault& b) { return a.line < b.line; });
  std::string message = path + ": " + heading + ":\n";
  for (const auto& fault : faults)
    message += "  linha " + std::to_string(fault.line) + ": " + fault.text + "\n";
  throw ImportError(message + advice);
}

std::optional<std::size_t> CsvFile::Column(std::string_view name) const {
  const auto it = std::find(header.begin(), header.end(), name);
  if (it == header.end()) return std::nullopt;
  return static_cast<std::size_t>(it - header.begin());
}

const std::vector<std::string>& CsvFile::Fields(const CsvRecord& row) const {
  if (row.fields.size() != header.size())
    Fail(row.line, std::to_string(row.fields.size()) + " colunas; o cabeçalho tem " +
                       std::to_string(header.size()));
  return row.fields;
}

CsvFile ReadCsvFile(const std::string& path) {
  CsvFile file;
  file.path = path;
  std::vector<CsvRecord> records;
  try {
    const SpreadsheetText text = DecodeSpreadsheet(ReadWholeFile(path));
    file.format = text.encoding + ", separador '" + text.separator + "'";
    records = ParseCsv(text.utf8, text.separator);
  } catch (const CsvError& error) {
    file.Fail(error.Line(), error.what());
  }
  if (records.empty()) file.Fail(1, "arquivo vazio; falta o cabeçalho");
  file.headerLine = records.front().line;
  for (const auto& name : records.front().fields) file.header.push_back(HeaderName(name));
  file.rows.assign(std::make_move_iterator(records.begin() + 1),
                   std::make_move_iterator(records.end()));
  return file;
}

}  // namespace totem::server
