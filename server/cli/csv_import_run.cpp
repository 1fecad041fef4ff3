#include "server/cli/csv_import_run.h"

namespace totem::server {

ImportRun::ImportRun(Store& store, const ImportOptions& options, Caller importer)
    : store_(store),
      importer_(std::move(importer)),
      simulate_(options.simular),
      padZeros_(options.completarZeros),
      overwrite_(options.sobrescrever) {}

WriteTransaction& ImportRun::Transaction() {
  if (!transaction_) transaction_ = store_.BeginWrite();
  return *transaction_;
}

void ImportRun::FileDone() {
  if (simulate_ || !transaction_) return;
  transaction_->Commit();
  transaction_.reset();
  uncommitted_.clear();
}

void ImportRun::Wrote(const CaixaKey& caixa) { ++uncommitted_[caixa]; }

std::map<CaixaKey, long long> ImportRun::Versions() {
  // Read on another connection: what is committed. The callers hold the
  // write lock (SQLite) or the registers' rows (PostgreSQL) by now, so no
  // other save of those registers can commit before this run's.
  std::map<CaixaKey, long long> versions;
  for (const VersaoCaixa& v : store_.ListVersoes()) versions[v.caixa] = v.versao;
  for (const auto& [caixa, saves] : uncommitted_) versions[caixa] += saves;
  return versions;
}

}  // namespace totem::server
