#include "server/cli/parametros_csv.h"

#include "server/cli/history_command.h"
#include "server/domain/packet_layouts.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametro_save.h"

#include "platform/parametros_contract.h"
#include "platform/utf8.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace totem::server {
namespace {

std::vector<std::string> Columns() {
  std::vector<std::string> columns = {std::string(contract::kCdFilial.name), std::string(contract::kCdCaixa.name)};
  for (const auto& field : contract::kRecord) columns.emplace_back(field.column.name);
  return columns;
}

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

// The history's client column holds 64 characters.
std::string ClientNamed(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  while (CountCodePoints(name) > 64 || !IsValidUtf8(name)) name.pop_back();
  return name;
}

}  // namespace

std::string ParametroCsvHeader() {
  std::string header;
  for (const auto& column : Columns()) header += (header.empty() ? "" : ",") + column;
  return header;
}

bool IsParametroHeader(const std::vector<std::string>& header) {
  auto sorted = header;
  auto expected = Columns();
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  return sorted == expected;
}

ImportSummary ImportParametros(Store& store, const CsvFile& file, const Caller& importer) {
  // Where each column of the file goes: the branch, the register, or a value.
  const auto columns = Columns();
  std::vector<std::size_t> position;  // position[c]: the file's column holding columns[c]
  for (const auto& name : columns)
    position.push_back(static_cast<std::size_t>(std::find(file.header.begin(), file.header.end(), name) -
                                                file.header.begin()));
  std::vector<ParametroTotem> records;
  for (const auto& row : file.rows) {
    const auto& fields = file.Fields(row);
    ParametroTotem parametro;
    parametro.cdFilial = fields[position[0]];
    parametro.cdCaixa = fields[position[1]];
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i) parametro.values[i] = fields[position[2 + i]];
    if (auto refused = CheckValues(parametro)) file.Fail(row.line, refused->message);
    records.push_back(std::move(parametro));
  }

  Caller caller = importer;
  caller.address = ClientNamed(file.path);
  std::size_t changed = 0;
  auto transaction = store.BeginWrite();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const SaveOutcome outcome = SaveParametro(*transaction, records[i], caller, WhenUnchanged::kSkip);
    if (outcome.refusal)
      file.Fail(file.rows[i].line, outcome.refusal->message + " (filial " + records[i].cdFilial + ", caixa " +
                                       records[i].cdCaixa + ")");
    changed += outcome.written ? 1 : 0;
  }
  transaction->Commit();
  return {"parâmetros dos totens", records.size(), file.format, changed};
}

void WriteParametrosCsv(Store& store, std::ostream& out) {
  WriteRow(out, Columns());
  for (const Caixa& caixa : store.ListCaixas()) {
    const auto record = store.LoadParametro(caixa.cdFilial, caixa.cdCaixa);
    if (!record) continue;
    std::vector<std::string> fields = {record->parametro.cdFilial, record->parametro.cdCaixa};
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i) fields.push_back(record->parametro.values[i]);
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
