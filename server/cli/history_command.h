#pragma once
// The "history" command: a register's saved parameter records, oldest first,
// as readable text: one heading line per save (number, time, token, client)
// and one line per value it changed, with the value before and after; the
// restores the database went through, in time order among the saves.
#include "server/cli/command_line.h"
#include "server/store/restauracoes.h"
#include "server/store/store.h"

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace totem::server {

// One value a save changes, as a line of the history: "    Dia inicial
// (NRDIAINITOT): "5" -> "7"", before "-" when the record had none.
void AppendChange(std::string& out, const contract::RecordField& field, const std::string* before,
                  const std::string& after);

std::string FormatGravacoes(const std::string& cdFilial, const std::string& cdCaixa,
                            const std::vector<GravacaoParametro>& gravacoes,
                            const std::vector<Restauracao>& restauracoes = {});

// The store at an address that must exist already: an SQLite file that does
// not is reported (StoreError), not created.
std::unique_ptr<Store> OpenExistingStore(const std::string& database);

// Reports on out/err; returns the process exit code (1 when the database
// cannot be opened or read). An SQLite file that does not exist is reported,
// not created.
int RunHistory(const HistoryOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
