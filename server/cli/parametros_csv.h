#pragma once
// The kiosk parameters as a CSV file, both ways. The columns are CDFILIAL,
// CDCAIXA and the record's values under the names and in the order of the
// wire contract (platform/parametros_contract.h), as docs/protocol.md lists
// them, then VERSAO; "export parametros" writes that file and "import"
// takes it back, with or without VERSAO.
#include "server/cli/command_line.h"
#include "server/cli/csv_file.h"
#include "server/cli/csv_import_run.h"
#include "server/store/store.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

// Each register's version when the file was exported: the number of its
// last save (0 before the first). A row whose register has been saved since
// is refused on import, unless told to overwrite; files without the column
// (older exports, files typed by hand) are not checked.
inline constexpr std::string_view kVersaoColumn = "VERSAO";

// CDFILIAL, CDCAIXA and the record's values, without VERSAO.
std::vector<std::string> ParametroCsvColumns();

// "CDFILIAL,CDCAIXA,IDTIPEXTTOT,...,DSMSGCONTOT[,VERSAO]".
std::string ParametroCsvHeader();

// The header names exactly the parameter file's columns, with or without
// VERSAO, in any order, each once.
bool IsParametroHeader(const std::vector<std::string>& header);

// Upserts the file's records in the run's transaction, each checked by the
// rules of a save from the screen and, when the file has VERSAO, against
// later saves; a record that changes leaves a history row naming the run's
// importer (and the file, as the client), one that changes nothing is left
// alone. Throws ImportError naming the line of the first record refused (or
// every stale one), or StoreError; nothing of the file is then written. A
// simulation's summary lists each register the file changes, value by value.
ImportSummary ImportParametros(ImportRun& run, const CsvFile& file);

// Every stored record, by branch and register, with its version, as UTF-8
// CSV with a header.
void WriteParametrosCsv(Store& store, std::ostream& out);

// The "export parametros" command: to options.output, or out when none.
// Returns the process exit code; a file left half-written is removed.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
