#pragma once
// Saving a register's parameter record inside a write transaction: the
// rules that need stored data and the history row. setUpdParametros saves
// one record this way; the importer saves a file's records in one
// transaction the same way, after checking each with CheckValues as the
// method does.
#include "server/domain/parametro_rules.h"
#include "server/domain/parametros_module.h"
#include "server/store/store.h"

#include <optional>

namespace totem::server {

enum class WhenUnchanged {
  kRecord,  // a save from the screen is history even when it changes nothing
  kSkip,    // an import writes only the records it changes
};

struct SaveOutcome {
  std::optional<Refusal> refusal;  // set: the record was not written
  bool written = false;
};

// The register must exist, and statement type "3" needs a known product
// group; then the record is upserted and the save appended to the
// register's history with the caller and the values before and after.
// Nothing is committed here. Throws StoreError.
SaveOutcome SaveParametro(WriteTransaction& transaction, const ParametroTotem& parametro,
                          const Caller& caller, WhenUnchanged whenUnchanged);

}  // namespace totem::server
