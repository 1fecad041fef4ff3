#pragma once
// The kiosk parameters as a CSV file, both ways. The columns are CDFILIAL,
// CDCAIXA and the record's values under the names and in the order of the
// wire contract (platform/parametros_contract.h), as docs/protocol.md lists
// them; "export parametros" writes that file and "import" takes it back.
#include "server/cli/command_line.h"
#include "server/cli/csv_file.h"
#include "server/domain/parametros_module.h"
#include "server/store/store.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace totem::server {

// "CDFILIAL,CDCAIXA,IDTIPEXTTOT,...".
std::string ParametroCsvHeader();

// The header names exactly the parameter file's columns, in any order, each once.
bool IsParametroHeader(const std::vector<std::string>& header);

// Upserts the file's records in one transaction, each checked by the rules
// of a save from the screen; a record that changes leaves a history row
// naming importer (from the file, as the client), one that changes nothing
// is left alone. Throws ImportError naming the line of the first record
// refused, or StoreError; nothing of the file is then written.
ImportSummary ImportParametros(Store& store, const CsvFile& file, const Caller& importer);

// Every stored record, by branch and register, as UTF-8 CSV with a header.
void WriteParametrosCsv(Store& store, std::ostream& out);

// The "export parametros" command: to options.output, or out when none.
// Returns the process exit code; a file left half-written is removed.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
