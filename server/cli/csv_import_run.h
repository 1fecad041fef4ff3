#pragma once
// One run of the "import" command: how its options say the files are taken,
// and the write transaction they go into. A real import commits each file
// on its own. A simulation takes every file into one transaction that it
// never commits: a later file sees what the earlier ones would have written
// (a register file the branches of the file before it), and nothing is kept.
#include "server/cli/command_line.h"
#include "server/domain/parametros_module.h"
#include "server/store/store.h"

#include <map>
#include <memory>

namespace totem::server {

class ImportRun {
 public:
  ImportRun(Store& store, const ImportOptions& options, Caller importer);

  Store& Storage() { return store_; }
  const Caller& Importer() const { return importer_; }
  bool Simulating() const { return simulate_; }
  bool PadsZeros() const { return padZeros_; }
  bool Overwrites() const { return overwrite_; }

  // The transaction of the file being imported, begun on first use.
  WriteTransaction& Transaction();
  // The file is done: its transaction commits, or in a simulation stays
  // open for the next file.
  void FileDone();

  // A register's record was written in the open transaction.
  void Wrote(const CaixaKey& caixa);
  // Every register's version as the open transaction sees it: the
  // committed ones plus the saves of this run not committed yet.
  std::map<CaixaKey, long long> Versions();

 private:
  Store& store_;
  Caller importer_;
  bool simulate_;
  bool padZeros_;
  bool overwrite_;
  std::unique_ptr<WriteTransaction> transaction_;
  std::map<CaixaKey, long long> uncommitted_;  // saves per register in transaction_
};

}  // namespace totem::server
