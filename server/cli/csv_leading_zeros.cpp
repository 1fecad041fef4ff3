#include "server/cli/csv_leading_zeros.h"

#include "platform/parametros_contract.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string_view>
#include <utility>

namespace totem::server {
namespace {

// The zero-padded code columns and how the messages name their values.
struct CodeColumn {
  const contract::Column& column;
  const char* label;
};
const std::array<CodeColumn, 2> kCodeColumns = {
    {{contract::kCdFilial, "filial"}, {contract::kCdCaixa, "caixa"}}};

std::size_t Width(const contract::Column& column) { return static_cast<std::size_t>(column.size); }

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The code with zeros up to width when it is all digits and shorter; as it
// is otherwise.
std::string Padded(const std::string& code, std::size_t width) {
  if (!AllDigits(code) || code.size() >= width) return code;
  return std::string(width - code.size(), '0') + code;
}

// Whether the database has the padded codes, each asked once.
class Twins {
 public:
  explicit Twins(WriteTransaction& transaction) : transaction_(transaction) {}

  bool Filial(const std::string& cdFilial) {
    auto [it, fresh] = filiais_.try_emplace(cdFilial, false);
    if (fresh) it->second = transaction_.FilialExists(cdFilial);
    return it->second;
  }
  bool Caixa(const std::string& cdFilial, const std::string& cdCaixa) {
    auto [it, fresh] = caixas_.try_emplace({cdFilial, cdCaixa}, false);
    if (fresh) it->second = transaction_.LockCaixa(cdFilial, cdCaixa);
    return it->second;
  }

 private:
  WriteTransaction& transaction_;
  std::map<std::string, bool> filiais_;
  std::map<CaixaKey, bool> caixas_;
};

}  // namespace

std::size_t RestoreLeadingZeros(CsvFile& file, WriteTransaction& transaction, bool pad) {
  const auto filialAt = file.Column(contract::kCdFilial.name);
  Twins twins(transaction);
  std::vector<LineFault> faults;
  std::vector<std::pair<std::string*, std::string>> fixes;  // a field and its padded code
  for (const CodeColumn& code : kCodeColumns) {
    const auto at = file.Column(code.column.name);
    if (!at) continue;
    std::set<std::size_t> lengths;
    for (const auto& row : file.rows)
      if (!row.fields[*at].empty()) lengths.insert(row.fields[*at].size());
    const bool mixed = lengths.size() > 1;
    for (auto& row : file.rows) {
      std::string& value = row.fields[*at];
      const std::string padded = Padded(value, Width(code.column));
      if (padded == value) continue;
      bool twin = false;
      if (code.column.name == contract::kCdFilial.name) {
        twin = !mixed && twins.Filial(padded);
      } else if (!mixed && filialAt) {
        // The register's branch may have lost its zeros too.
        const std::string& filial = row.fields[*filialAt];
        twin = twins.Caixa(filial, padded) ||
               twins.Caixa(Padded(filial, Width(contract::kCdFilial)), padded);
      }
      if (!mixed && !twin) continue;
      fixes.emplace_back(&value, padded);
      faults.push_back({row.line, std::string(code.label) + " \"" + value + "\" parece \"" +
                                      padded + "\" sem os zeros à esquerda"});
    }
  }
  if (!pad && !faults.empty()) {
    const std::string heading =
        std::to_string(faults.size()) +
        (faults.size() == 1 ? " código parece ter perdido" : " códigos parecem ter perdido") +
        " os zeros à esquerda (a planilha leu a coluna como números)";
    file.FailLines(heading, std::move(faults),
                   "Abra o CSV na planilha com as colunas de código como Texto e salve de novo, ou "
                   "importe com "
                   "--completar-zeros para completá-los com zeros.");
  }
  for (auto& [field, padded] : fixes) *field = padded;
  return fixes.size();
}

}  // namespace totem::server
