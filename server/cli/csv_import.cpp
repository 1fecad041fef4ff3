#include "server/cli/csv_import.h"

#include "platform/column_names.h"
#include "server/cli/command_author.h"
#include "server/cli/csv_file.h"
#include "server/cli/csv_leading_zeros.h"
#include "server/cli/database_lock.h"
#include "server/cli/history_command.h"
#include "server/cli/parametros_csv.h"
#include "server/domain/master_data_rules.h"
#include "server/domain/packet_layouts.h"
#include "server/log/server_log.h"
#include "server/store/cadastro_removal.h"
#include "server/store/store_factory.h"

#include <algorithm>
#include <map>
#include <ostream>

namespace totem::server {
namespace {

enum class Kind { Filial, Caixa, Grupo };

// The optional column of the branch and register files that removes (N) or
// brings back (S) the row's branch or register.
constexpr const char* kAtivo = "ATIVO";

struct FileKind {
  Kind kind;
  const char* label;
  std::vector<std::string> required;  // the first ones make a row's key
  std::vector<std::string> optional;
  const std::vector<PacketColumn>& layout;
  std::size_t keyColumns;
};

// A file kind whose columns are its packet's: the key's first, then the
// packet's other columns up to `requiredCount` (the rest may be left out),
// less CHAVE, which the server makes from the key.
FileKind FromPacket(Kind kind, const char* label, const std::vector<PacketColumn>& layout,
                    std::vector<std::string> key, std::size_t requiredCount,
                    std::vector<std::string> extraOptional) {
  FileKind result{kind, label, key, std::move(extraOptional), layout, key.size()};
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const std::string& name = layout[i].name;
    if (name == contract::col::CHAVE || std::find(key.begin(), key.end(), name) != key.end())
      continue;
    (i < requiredCount ? result.required : result.optional).push_back(name);
  }
  return result;
}

const std::vector<FileKind>& Kinds() {
  using namespace contract::col;
  static const std::vector<FileKind> kinds = {
      FromPacket(Kind::Filial, "filiais", FilialColumns(), {CDFILIAL}, FilialColumns().size(),
                 {kAtivo}),
      FromPacket(Kind::Caixa, "caixas", CaixaColumns(), {CDFILIAL, CDCAIXA}, CaixaColumns().size(),
                 {kAtivo}),
      FromPacket(Kind::Grupo, "grupos de produtos", GrupoColumns(), {CDGRUPPROD}, 2, {}),
  };
  return kinds;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The kind whose columns the header names: all required ones, any optional
// ones, nothing else, each once.
const FileKind* RecognizeKind(const std::vector<std::string>& header) {
  for (const auto& kind : Kinds()) {
    bool fits = std::all_of(kind.required.begin(), kind.required.end(),
                            [&](const std::string& n) { return Contains(header, n); });
    for (const auto& name : header)
      fits = fits && (Contains(kind.required, name) || Contains(kind.optional, name)) &&
             std::count(header.begin(), header.end(), name) == 1;
    if (fits) return &kind;
  }
  return nullptr;
}

// One data row by column name, already checked.
using Row = std::map<std::string, std::string>;

class FileImport {
 public:
  FileImport(const CsvFile& file, const FileKind& kind) : file_(file), kind_(kind) {}

  [[noreturn]] void Fail(std::size_t line, const std::string& message) const {
    file_.Fail(line, message);
  }

  Row Check(const CsvRecord& record) const {
    const auto& fields = file_.Fields(record);
    Row row;
    for (std::size_t i = 0; i < file_.header.size(); ++i) {
      std::string value = fields[i];
      if (file_.header[i] == kAtivo) {
        if (value != "" && value != "S" && value != "N")
          Fail(record.line, std::string(kAtivo) + " deve ser S, N ou vazio, não \"" + value + "\"");
        row[kAtivo] = std::move(value);
        continue;
      }
      const PacketColumn* column = FindColumn(kind_.layout, file_.header[i]);
      if (column->type == FieldType::DateTime) {
        if (!value.empty()) {
          auto normalized = NormalizeDateTime(value);
          if (!normalized)
            Fail(record.line, column->name + " não é uma data ISO 8601 válida: " + value);
          value = *normalized;
        }
      } else if (auto problem =
                     CheckMasterText(*column, value, Contains(kind_.required, column->name))) {
        Fail(record.line, *problem);
      }
      row[column->name] = std::move(value);
    }
    return row;
  }

  // How a simulation names the row: its codes, "0001/003" for a register.
  std::string Key(const Row& row) const {
    std::string key;
    for (std::size_t i = 0; i < kind_.keyColumns; ++i)
      key += (i ? "/" : "") + row.at(kind_.required[i]);
    return key;
  }

  // Whether the row's code is in the database already, so that writing it
  // updates instead of inserting.
  bool Exists(WriteTransaction& tx, const Row& row) const {
    switch (kind_.kind) {
      case Kind::Filial:
        return tx.FilialExists(row.at(contract::col::CDFILIAL));
      case Kind::Caixa:
        return tx.LockCaixa(row.at(contract::col::CDFILIAL), row.at(contract::col::CDCAIXA));
      case Kind::Grupo:
        return tx.GrupoExists(row.at(contract::col::CDGRUPPROD));
    }
    return false;
  }

  void Write(WriteTransaction& tx, const Row& row, std::size_t line, const Caller& importer) const {
    auto optional = [&](const char* name) -> std::optional<std::string> {
      auto it = row.find(name);
      if (it == row.end() || it->second.empty()) return std::nullopt;
      return it->second;
    };
    switch (kind_.kind) {
      case Kind::Filial:
        tx.UpsertFilial({row.at(contract::col::CDFILIAL), row.at(contract::col::NMFILIAL)});
        break;
      case Kind::Caixa:
        if (!tx.FilialExists(row.at(contract::col::CDFILIAL)))
          Fail(line, "a filial " + row.at(contract::col::CDFILIAL) + " do caixa " +
                         row.at(contract::col::CDCAIXA) + " não está cadastrada (ou foi removida)");
        tx.UpsertCaixa({row.at(contract::col::CDFILIAL), row.at(contract::col::CDCAIXA),
                        row.at(contract::col::NMCAIXA), row.at(contract::col::CDLOJA),
                        row.at(contract::col::NMLOJA)});
        break;
      case Kind::Grupo:
        tx.UpsertGrupo({row.at(contract::col::CDGRUPPROD), row.at(contract::col::NMGRUPPROD),
                        optional(contract::col::DTULTATUGPPR),
                        optional(contract::col::IDCADNVSUBGR),
                        optional(contract::col::IDGRPRODVMN)});
        break;
    }
    // ATIVO N removes the branch or register (kept, as "totem-server
    // remover" does), S brings it back; empty or absent leaves it as it is,
    // so an old file imported again brings nothing back by itself.
    if (auto ativo = optional(kAtivo)) {
      const CadastroAlvo alvo{row.at(contract::col::CDFILIAL),
                              kind_.kind == Kind::Caixa ? row.at(contract::col::CDCAIXA) : ""};
      if (*ativo == "N")
        MarkRemoved(tx, alvo, UtcTimestamp(), importer.token);
      else
        MarkInUse(tx, alvo, UtcTimestamp(), importer.token);
    }
  }

 private:
  const CsvFile& file_;
  const FileKind& kind_;
};

// A simulation's lines for master data: the codes it would insert and
// those it would update.
void PreviewRows(std::vector<std::string>& lines, const std::vector<std::string>& inserted,
                 const std::vector<std::string>& updated) {
  for (const auto& [label, keys] : {std::pair{"incluídos", &inserted}, {"atualizados", &updated}}) {
    std::string line = "  " + std::to_string(keys->size()) + " " + label;
    for (std::size_t i = 0; i < keys->size(); ++i) line += (i ? ", " : ": ") + (*keys)[i];
    lines.push_back(std::move(line));
  }
}

// "FILE: 12 registros de filiais importados (UTF-8, separador ',')" and
// the summary's notes and preview, one a line.
void Report(std::ostream& out, const std::string& path, const ImportSummary& summary,
            bool simulating) {
  out << path << ": " << summary.rows << " registros de " << summary.kind
      << (simulating ? " lidos" : " importados");
  if (summary.changed)
    out << ", " << *summary.changed << (simulating ? " seriam alterados" : " alterados");
  out << " (" << summary.format << ")\n";
  for (const auto& note : summary.notes) out << "  " << note << '\n';
  for (const auto& line : summary.preview) out << line << '\n';
}

ImportSummary ImportMasterData(ImportRun& run, const CsvFile& csv, const FileKind& kind) {
  FileImport file(csv, kind);
  // Every row is checked before anything is written; the store's checks
  // (a register's branch) run inside the file's single transaction.
  std::vector<Row> rows;
  for (const auto& record : csv.rows) rows.push_back(file.Check(record));
  WriteTransaction& tx = run.Transaction();
  std::vector<std::string> inserted, updated;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (run.Simulating())
      (file.Exists(tx, rows[i]) ? updated : inserted).push_back(file.Key(rows[i]));
    file.Write(tx, rows[i], csv.rows[i].line, run.Importer());
  }
  ImportSummary summary{kind.label, rows.size(), csv.format, std::nullopt, {}, {}};
  if (run.Simulating()) PreviewRows(summary.preview, inserted, updated);
  return summary;
}

}  // namespace

ImportSummary ImportCsvFile(ImportRun& run, const std::string& path) {
  CsvFile csv = ReadCsvFile(path);
  const bool parametros = IsParametroHeader(csv.header);
  const FileKind* kind = parametros ? nullptr : RecognizeKind(csv.header);
  if (!parametros && !kind) {
    std::string known;
    for (const auto& k : Kinds()) {
      std::string columns;
      for (const auto& n : k.required) columns += (columns.empty() ? "" : ",") + n;
      known += std::string(known.empty() ? "" : "; ") + columns;
    }
    csv.Fail(csv.headerLine, "cabeçalho não reconhecido; esperado um de: " + known +
                                 "; ou CDFILIAL,CDCAIXA e os campos dos parâmetros (" +
                                 ParametroCsvHeader() + ")");
  }
  // Codes are looked at column by column: every row must have them all.
  for (const auto& record : csv.rows) csv.Fields(record);
  const std::size_t padded = RestoreLeadingZeros(csv, run.Transaction(), run.PadsZeros());

  ImportSummary summary =
      parametros ? ImportParametros(run, csv) : ImportMasterData(run, csv, *kind);
  run.FileDone();
  if (padded)
    summary.notes.insert(
        summary.notes.begin(),
        std::to_string(padded) + " códigos completados com zeros à esquerda (--completar-zeros)");
  return summary;
}

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
  DatabaseLock lock;  // a restore waits for the import to end (database_lock.h)
  std::unique_ptr<Store> store;
  try {
    if (!options.simular) lock = LockForWriting(options.database, options.createDatabase);
    // A simulation creates no database: it needs one to compare with.
    store = options.simular ? OpenExistingStore(options.database)
                            : OpenStore(options.database, options.createDatabase);
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << '\n';
    return 1;
  }
  ImportRun run(*store, options, CommandAuthor("import", options.autor));
  for (const auto& path : options.files) {
    try {
      Report(out, path, ImportCsvFile(run, path), options.simular);
    } catch (const ImportError& error) {
      err << "totem-server: " << error.what() << "\n"
          << "totem-server: nada foi importado de " << path << '\n';
      return 1;
    } catch (const StoreError& error) {
      err << "totem-server: " << path << ": falha na base de dados: " << error.what() << "\n"
          << "totem-server: nada foi importado de " << path << '\n';
      return 1;
    }
  }
  if (options.simular) out << "Simulação: nada foi gravado.\n";
  return 0;
}

}  // namespace totem::server
