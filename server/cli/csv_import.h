#pragma once
// Loads master data or kiosk parameters from CSV files whose header row
// names the columns (CDFILIAL,NMFILIAL / CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA
// / CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN] / the
// parameter file of "export parametros"); the header tells which kind a file
// holds. Rows are upserted, one transaction per file.
#include "server/cli/command_line.h"
#include "server/cli/csv_file.h"
#include "server/domain/parametros_module.h"
#include "server/store/store.h"

#include <iosfwd>
#include <string>

namespace totem::server {

// importer is who the history names for the parameter records the file
// changes. Throws ImportError, or StoreError when the database fails.
ImportSummary ImportCsvFile(Store& store, const std::string& path, const Caller& importer);

// The "import" command: the files in order, stopping at the first that
// fails. Reports on out/err; returns the process exit code.
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
