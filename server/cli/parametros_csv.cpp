#include "server/cli/parametros_csv.h"

#include "server/cli/history_command.h"

#include "platform/parametros_contract.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <ostream>

namespace totem::server {
namespace {

// Quoted when the text holds a separator, a quote or a line break, as
// spreadsheets read it.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",;\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void WriteRow(std::ostream& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) out << (i ? "," : "") << CsvField(fields[i]);
  out << "\r\n";
}

}  // namespace

std::vector<std::string> ParametroCsvColumns() {
  std::vector<std::string> columns = {std::string(contract::kCdFilial.name),
                                      std::string(contract::kCdCaixa.name)};
  for (const auto& field : contract::kRecord) columns.emplace_back(field.column.name);
  return columns;
}

std::string ParametroCsvHeader() {
  std::string header;
  for (const auto& column : ParametroCsvColumns()) header += (header.empty() ? "" : ",") + column;
  return header + "[," + std::string(kVersaoColumn) + "]";
}

bool IsParametroHeader(const std::vector<std::string>& header) {
  auto sorted = header;
  auto expected = ParametroCsvColumns();
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  if (sorted == expected) return true;
  expected.emplace_back(kVersaoColumn);
  std::sort(expected.begin(), expected.end());
  return sorted == expected;
}

void WriteParametrosCsv(Store& store, std::ostream& out) {
  // The versions are read before the records: a save in between leaves a
  // row with its newer values under the older version, which an import
  // refuses as stale, never a row of older values under the newer version,
  // which it would take as current.
  std::map<CaixaKey, long long> versions;
  for (const VersaoCaixa& v : store.ListVersoes()) versions[v.caixa] = v.versao;
  auto header = ParametroCsvColumns();
  header.emplace_back(kVersaoColumn);
  WriteRow(out, header);
  for (const auto& [caixa, versao] : versions) {
    const auto record = store.LoadParametro(caixa.cdFilial, caixa.cdCaixa);
    if (!record) continue;
    std::vector<std::string> fields = {record->parametro.cdFilial, record->parametro.cdCaixa};
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i)
      fields.push_back(record->parametro.values[i]);
    fields.push_back(std::to_string(versao));
    WriteRow(out, fields);
  }
}

int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  try {
    auto store = OpenExistingStore(options.database);
    if (options.output.empty()) {
      WriteParametrosCsv(*store, out);
      out.flush();
      if (!out) throw std::runtime_error("não foi possível escrever na saída padrão");
      return 0;
    }
    std::ofstream file(options.output, std::ios::binary | std::ios::trunc);
    if (!file) throw std::runtime_error("não foi possível criar " + options.output);
    try {
      WriteParametrosCsv(*store, file);
      file.close();
      if (!file) throw std::runtime_error("não foi possível escrever " + options.output);
    } catch (...) {
      file.close();
      std::remove(options.output.c_str());
      throw;
    }
    return 0;
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << '\n';
    return 1;
  }
}

}  // namespace totem::server
