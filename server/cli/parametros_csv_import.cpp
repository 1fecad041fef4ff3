// "import" of a kiosk parameters file: every row checked by the rules of a
// save from the screen, the rows of registers saved since the file was
// exported refused, then the records that change saved with their history.
#include "server/cli/history_command.h"
#include "server/cli/parametros_csv.h"
#include "server/domain/parametro_rules.h"
#include "server/domain/parametro_save.h"

#include "platform/parametros_contract.h"
#include "platform/utf8.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace totem::server {
namespace {

// The history's client column holds 64 characters.
std::string ClientNamed(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  while (CountCodePoints(name) > 64 || !IsValidUtf8(name)) name.pop_back();
  return name;
}

std::string Naming(const ParametroTotem& parametro) {
  return "filial " + parametro.cdFilial + ", caixa " + parametro.cdCaixa;
}

// A file's row: the record it sets and the version it was exported at.
struct Row {
  std::size_t line;
  ParametroTotem parametro;
  std::optional<long long> versao;  // none: the file has no VERSAO, or this row's is empty
};

std::optional<long long> ReadVersao(const CsvFile& file, std::size_t line,
                                    const std::string& text) {
  if (text.empty()) return std::nullopt;
  const bool digits = text.size() <= 18 && std::all_of(text.begin(), text.end(),
                                                       [](char c) { return c >= '0' && c <= '9'; });
  if (!digits)
    file.Fail(line,
              std::string(kVersaoColumn) + " deve ser um número (o que o export gravou): " + text);
  return std::stoll(text);
}

// The rows whose register was saved after the file was exported, and whose
// values would undo that save. A row that writes what is stored already, or
// gives a register without a record its first one, undoes nothing. The rows'
// registers are locked first, so none of them can be saved between this
// check and the file's commit.
std::vector<LineFault> StaleRows(ImportRun& run, const std::vector<Row>& rows) {
  std::vector<CaixaKey> keys;
  for (const Row& row : rows)
    if (row.versao) keys.emplace_back(row.parametro.cdFilial, row.parametro.cdCaixa);
  if (keys.empty()) return {};
  WriteTransaction& transaction = run.Transaction();
  const std::vector<CaixaAtual> current = transaction.LockCaixas(keys);
  const auto versions = run.Versions();
  std::vector<LineFault> stale;
  std::size_t k = 0;
  for (const Row& row : rows) {
    if (!row.versao) continue;
    const CaixaAtual& caixa = current[k++];
    const auto now = versions.find(keys[k - 1]);
    // An unknown register is refused by the save's own rule.
    if (!caixa.existe || now == versions.end() || now->second == *row.versao) continue;
    if (!caixa.parametro || caixa.parametro->values == row.parametro.values) continue;
    stale.push_back({row.line, Naming(row.parametro) + ": versão " + std::to_string(*row.versao) +
                                   " no arquivo, " + std::to_string(now->second) + " agora"});
  }
  return stale;
}

// A simulation's account of one register the file changes, as the history
// shows a save.
void Preview(std::vector<std::string>& lines, const Row& row,
             const std::optional<ParametroTotem>& before) {
  std::string text = "  " + Naming(row.parametro) + " (linha " + std::to_string(row.line) + ")" +
                     (before ? ":\n" : ", sem parâmetros até agora:\n");
  for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
    if (before && before->values[i] == row.parametro.values[i]) continue;
    AppendChange(text, contract::kRecord[i], before ? &before->values[i] : nullptr,
                 row.parametro.values[i]);
  }
  text.pop_back();
  lines.push_back(std::move(text));
}

}  // namespace

ImportSummary ImportParametros(ImportRun& run, const CsvFile& file) {
  // Where each column of the file goes: the branch, the register, or a value.
  const auto columns = ParametroCsvColumns();
  std::vector<std::size_t> position;  // position[c]: the file's column holding columns[c]
  for (const auto& name : columns) position.push_back(*file.Column(name));
  const auto versaoAt = file.Column(kVersaoColumn);

  ImportSummary summary{"parâmetros dos totens", file.rows.size(), file.format, 0, {}, {}};
  std::vector<Row> rows;
  std::size_t withoutVersao = 0;
  for (const auto& record : file.rows) {
    const auto& fields = file.Fields(record);
    Row row{record.line, {}, std::nullopt};
    row.parametro.cdFilial = fields[position[0]];
    row.parametro.cdCaixa = fields[position[1]];
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i)
      row.parametro.values[i] = fields[position[2 + i]];
    if (auto refused = CheckValues(row.parametro)) file.Fail(record.line, refused->message);
    if (versaoAt) row.versao = ReadVersao(file, record.line, fields[*versaoAt]);
    withoutVersao += row.versao ? 0 : 1;
    rows.push_back(std::move(row));
  }

  if (auto stale = StaleRows(run, rows); !stale.empty()) {
    const std::string count = std::to_string(stale.size());
    const std::string heading =
        count + (stale.size() == 1 ? " caixa foi gravado" : " caixas foram gravados") +
        " depois que este arquivo foi exportado; gravar o arquivo desfaria essas gravações";
    if (!run.Overwrites())
      file.FailLines(
          heading, std::move(stale),
          "Exporte de novo e refaça as alterações no arquivo novo, ou importe com --sobrescrever "
          "para gravar os valores do arquivo por cima.");
    summary.notes.push_back(
        count +
        " caixas gravados depois da exportação recebem os valores do arquivo (--sobrescrever)");
  }
  if (!versaoAt)
    summary.notes.push_back("versões não conferidas: o arquivo não tem a coluna " +
                            std::string(kVersaoColumn));
  else if (withoutVersao)
    summary.notes.push_back("versões não conferidas em " + std::to_string(withoutVersao) +
                            " linhas com " + std::string(kVersaoColumn) + " vazia");

  Caller caller = run.Importer();
  caller.address = ClientNamed(file.path);
  WriteTransaction& transaction = run.Transaction();
  for (const Row& row : rows) {
    const ParametroTotem& parametro = row.parametro;
    std::optional<ParametroTotem> before;
    if (run.Simulating())
      before = transaction.CurrentParametro(parametro.cdFilial, parametro.cdCaixa);
    const SaveOutcome outcome = SaveParametro(transaction, parametro, caller, WhenUnchanged::kSkip);
    if (outcome.refusal)
      file.Fail(row.line, outcome.refusal->message + " (" + Naming(parametro) + ")");
    if (!outcome.written) continue;
    ++*summary.changed;
    run.Wrote({parametro.cdFilial, parametro.cdCaixa});
    if (run.Simulating()) Preview(summary.preview, row, before);
  }
  return summary;
}

}  // namespace totem::server
