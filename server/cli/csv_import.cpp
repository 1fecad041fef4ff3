#include "server/cli/csv_import.h"

#include "server/cli/csv_reader.h"
#include "server/domain/master_data_rules.h"
#include "server/domain/packet_layouts.h"
#include "server/store/store_factory.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

namespace totem::server {
namespace {

enum class Kind { Filial, Caixa, Grupo };

struct FileKind {
  Kind kind;
  const char* label;
  std::vector<std::string> required;
  std::vector<std::string> optional;
  const std::vector<PacketColumn>& layout;
};

const std::vector<FileKind>& Kinds() {
  static const std::vector<FileKind> kinds = {
      {Kind::Filial, "filiais", {"CDFILIAL", "NMFILIAL"}, {}, FilialColumns()},
      {Kind::Caixa, "caixas", {"CDFILIAL", "CDCAIXA", "NMCAIXA", "CDLOJA", "NMLOJA"}, {}, CaixaColumns()},
      {Kind::Grupo,
       "grupos de produtos",
       {"CDGRUPPROD", "NMGRUPPROD"},
       {"DTULTATUGPPR", "IDCADNVSUBGR", "IDGRPRODVMN"},
       GrupoColumns()},
  };
  return kinds;
}

std::string HeaderName(std::string text) {
  auto notSpace = [](unsigned char c) { return !std::isspace(c); };
  text.erase(text.begin(), std::find_if(text.begin(), text.end(), notSpace));
  text.erase(std::find_if(text.rbegin(), text.rend(), notSpace).base(), text.end());
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
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
  FileImport(std::string path, const FileKind& kind, std::vector<std::string> header)
      : path_(std::move(path)), kind_(kind), header_(std::move(header)) {}

  [[noreturn]] void Fail(std::size_t line, const std::string& message) const {
    throw ImportError(path_ + ":" + std::to_string(line) + ": " + message);
  }

  Row Check(const CsvRecord& record) const {
    if (record.fields.size() != header_.size())
      Fail(record.line, std::to_string(record.fields.size()) + " colunas; o cabeçalho tem " +
                            std::to_string(header_.size()));
    Row row;
    for (std::size_t i = 0; i < header_.size(); ++i) {
      const PacketColumn* column = FindColumn(kind_.layout, header_[i]);
      std::string value = record.fields[i];
      if (column->type == FieldType::DateTime) {
        if (!value.empty()) {
          auto normalized = NormalizeDateTime(value);
          if (!normalized) Fail(record.line, column->name + " não é uma data ISO 8601 válida: " + value);
          value = *normalized;
        }
      } else if (auto problem = CheckMasterText(*column, value, Contains(kind_.required, column->name))) {
        Fail(record.line, *problem);
      }
      row[column->name] = std::move(value);
    }
    return row;
  }

  void Write(WriteTransaction& tx, const Row& row, std::size_t line) const {
    auto optional = [&](const char* name) -> std::optional<std::string> {
      auto it = row.find(name);
      if (it == row.end() || it->second.empty()) return std::nullopt;
      return it->second;
    };
    switch (kind_.kind) {
      case Kind::Filial:
        tx.UpsertFilial({row.at("CDFILIAL"), row.at("NMFILIAL")});
        break;
      case Kind::Caixa:
        if (!tx.FilialExists(row.at("CDFILIAL")))
          Fail(line, "a filial " + row.at("CDFILIAL") + " do caixa " + row.at("CDCAIXA") +
                         " não está cadastrada");
        tx.UpsertCaixa({row.at("CDFILIAL"), row.at("CDCAIXA"), row.at("NMCAIXA"), row.at("CDLOJA"),
                        row.at("NMLOJA")});
        break;
      case Kind::Grupo:
        tx.UpsertGrupo({row.at("CDGRUPPROD"), row.at("NMGRUPPROD"), optional("DTULTATUGPPR"),
                        optional("IDCADNVSUBGR"), optional("IDGRPRODVMN")});
        break;
    }
  }

 private:
  std::string path_;
  const FileKind& kind_;
  std::vector<std::string> header_;
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path + ": não foi possível abrir o arquivo");
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw ImportError(path + ": erro ao ler o arquivo");
  return content.str();
}

}  // namespace

ImportSummary ImportCsvFile(Store& store, const std::string& path) {
  std::vector<CsvRecord> records;
  try {
    records = ParseCsv(ReadWholeFile(path));
  } catch (const CsvError& error) {
    throw ImportError(path + ":" + std::to_string(error.Line()) + ": " + error.what());
  }
  if (records.empty()) throw ImportError(path + ":1: arquivo vazio; falta o cabeçalho");

  std::vector<std::string> header;
  for (const auto& name : records.front().fields) header.push_back(HeaderName(name));
  const FileKind* kind = RecognizeKind(header);
  if (!kind) {
    std::string known;
    for (const auto& k : Kinds()) {
      std::string columns;
      for (const auto& n : k.required) columns += (columns.empty() ? "" : ",") + n;
      known += std::string(known.empty() ? "" : "; ") + columns;
    }
    throw ImportError(path + ":" + std::to_string(records.front().line) +
                      ": cabeçalho não reconhecido; esperado um de: " + known);
  }

  FileImport file(path, *kind, header);
  // Every row is checked before anything is written; the store's checks
  // (a register's branch) run inside the file's single transaction.
  std::vector<Row> rows;
  for (std::size_t i = 1; i < records.size(); ++i) rows.push_back(file.Check(records[i]));
  auto tx = store.BeginWrite();
  for (std::size_t i = 0; i < rows.size(); ++i) file.Write(*tx, rows[i], records[i + 1].line);
  tx->Commit();
  return {kind->label, rows.size()};
}

int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<Store> store;
  try {
    store = OpenStore(options.database);
  } catch (const std::exception& error) {
    err << "totem-server: " << error.what() << '\n';
    return 1;
  }
  for (const auto& path : options.files) {
    try {
      const ImportSummary summary = ImportCsvFile(*store, path);
      out << path << ": " << summary.rows << " registros de " << summary.kind << " importados\n";
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
  return 0;
}

}  // namespace totem::server
