#pragma once
// Loads master data from CSV files whose header row names the columns
// (CDFILIAL,NMFILIAL / CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA /
// CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN]); the header
// tells which kind a file holds. Rows are upserted, one transaction per file.
#include "server/cli/command_line.h"
#include "server/store/store.h"

#include <cstddef>
#include <iosfwd>
#include <stdexcept>
#include <string>

namespace totem::server {

struct ImportSummary {
  std::string kind;  // "filiais", "caixas" or "grupos de produtos"
  std::size_t rows = 0;
};

// A file that could not be imported; nothing of it was written. The message
// reads "FILE:LINE: reason" (without LINE when the file could not be read).
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws ImportError, or StoreError when the database fails.
ImportSummary ImportCsvFile(Store& store, const std::string& path);

// The "import" command: the files in order, stopping at the first that
// fails. Reports on out/err; returns the process exit code.
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
