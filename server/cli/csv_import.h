#pragma once
// Loads master data or kiosk parameters from CSV files whose header row
// names the columns (CDFILIAL,NMFILIAL / CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA
// / CDGRUPPROD,NMGRUPPROD[,DTULTATUGPPR,IDCADNVSUBGR,IDGRPRODVMN] / the
// parameter file of "export parametros"); the header tells which kind a file
// holds. Rows are upserted, one transaction per file.
#include "server/cli/command_line.h"
#include "server/cli/csv_file.h"
#include "server/cli/csv_import_run.h"
#include "server/domain/parametros_module.h"
#include "server/store/store.h"

#include <iosfwd>
#include <string>

namespace totem::server {

// Codes stripped of their leading zeros are refused, or padded when the run
// says so, before the rows are checked. Into the run's transaction, which
// commits unless the run simulates. Throws ImportError, or StoreError when
// the database fails.
ImportSummary ImportCsvFile(ImportRun& run, const std::string& path);

// The "import" command: the files in order, stopping at the first that
// fails. Reports on out/err; returns the process exit code. --simular reads
// and checks the files as an import does, reports what they would change,
// and writes nothing (the same exit code and messages as the import).
int RunImport(const ImportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
