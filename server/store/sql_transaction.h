#pragma once
// A write transaction of the SQL store, for every database: begun when made,
// rolled back when dropped without Commit(). The registers whose history
// grew are told to the other servers with the commit (a notification sent
// inside the transaction, where the dialect has one) and to this server's
// observer right after it.
#include "server/store/change_feed.h"
#include "server/store/sql_rows.h"
#include "server/store/sql_statements.h"
#include "server/store/store.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

template <class Dialect, class Lease>
class SqlTransaction : public WriteTransaction {
 public:
  // observer is the store's, told of the changes after the commit.
  SqlTransaction(const ChangeObserver& observer, Lease lease, std::unique_lock<std::mutex> turn)
      : observer_(observer), turn_(std::move(turn)), lease_(std::move(lease)) {
    lease_->Exec(Dialect::kBeginWrite);
  }
  ~SqlTransaction() override {
    if (done_) return;
    try {
      lease_->Exec("ROLLBACK");
    } catch (const StoreError&) {
      // A failed COMMIT or a lost connection may already have ended it.
    }
  }
  bool FilialExists(const std::string& cdFilial) override {
    return lease_->Prepare(sql::kFilialExists).Bind(1, cdFilial).Step();
  }
  bool IsEmptyLocked() override {
    if (*Dialect::kLockForSeeding) lease_->Exec(Dialect::kLockForSeeding);
    auto count = lease_->Prepare(sql::kCountAll);
    count.Step();
    return count.Int(0) == 0;
  }
  bool LockCaixa(const std::string& cdFilial, const std::string& cdCaixa) override {
    return lease_->Prepare(Dialect::kLockCaixa).Bind(1, cdFilial).Bind(2, cdCaixa).Step();
  }
  std::optional<ParametroTotem> CurrentParametro(const std::string& cdFilial,
                                                 const std::string& cdCaixa) override {
    auto select = lease_->Prepare(sql::SelectCurrentValues());
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    if (!select.Step()) return std::nullopt;
    ParametroTotem p;
    p.cdFilial = cdFilial;
    p.cdCaixa = cdCaixa;
    for (std::size_t i = 0; i < p.values.size(); ++i)
      p.values[i] = select.Text(static_cast<int>(i));
    return p;
  }
  bool GrupoExists(const std::string& cdGrupProd) override {
    return lease_->Prepare(sql::kGrupoExists).Bind(1, cdGrupProd).Step();
  }
  void UpsertFilial(const Filial& f) override {
    lease_->Prepare(sql::kUpsertFilial).Bind(1, f.cdFilial).Bind(2, f.nmFilial).Run();
  }
  void UpsertCaixa(const Caixa& c) override {
    lease_->Prepare(sql::kUpsertCaixa)
        .Bind(1, c.cdFilial)
        .Bind(2, c.cdCaixa)
        .Bind(3, c.nmCaixa)
        .Bind(4, c.cdLoja)
        .Bind(5, c.nmLoja)
        .Run();
  }
  void UpsertGrupo(const GrupoProduto& g) override {
    lease_->Prepare(sql::kUpsertGrupo)
        .Bind(1, g.cdGrupProd)
        .Bind(2, g.nmGrupProd)
        .BindOptional(3, g.dtUltAtu)
        .BindOptional(4, g.idCadNvSubGr)
        .BindOptional(5, g.idGrProdVmn)
        .Run();
  }
  void UpsertParametro(const ParametroTotem& p) override {
    auto upsert = lease_->Prepare(sql::UpsertParametro());
    upsert.Bind(1, p.cdFilial).Bind(2, p.cdCaixa);
    int index = 3;
    for (const std::string& value : p.values) upsert.Bind(index++, value);
    upsert.Run();
  }
  long long AppendGravacao(const GravacaoParametro& g) override {
    const std::string& filial = g.depois.cdFilial;
    const std::string& caixa = g.depois.cdCaixa;
    auto next = lease_->Prepare(sql::kNextGravacao);
    next.Bind(1, filial).Bind(2, caixa);
    next.Step();
    const long long numero = next.Int(0);
    auto insert = lease_->Prepare(sql::InsertGravacao());
    int index = 1;
    sql_rows::BindGravacao(insert, index, g, numero);
    insert.Run();
    changes_.push_back({{filial, caixa}, numero});
    return numero;
  }
  std::vector<CaixaAtual> LockCaixas(const std::vector<CaixaKey>& keys) override {
    return sql_rows::SelectCaixas(*lease_, keys, Dialect::kLockRowsSuffix);
  }
  void UpsertParametros(const std::vector<ParametroTotem>& parametros) override {
    sql_rows::ForChunks(parametros.size(), sql_rows::kRowsPerStatement,
                        [&](std::size_t from, std::size_t n) {
                          auto upsert = lease_->Prepare(sql::UpsertParametros(n));
                          int index = 1;
                          for (std::size_t r = from; r < from + n; ++r) {
                            upsert.Bind(index++, parametros[r].cdFilial);
                            upsert.Bind(index++, parametros[r].cdCaixa);
                            for (const std::string& value : parametros[r].values)
                              upsert.Bind(index++, value);
                          }
                          upsert.Run();
                        });
  }
  void AppendGravacoes(const std::vector<GravacaoParametro>& gravacoes) override {
    sql_rows::ForChunks(
        gravacoes.size(), sql_rows::kRowsPerStatement, [&](std::size_t from, std::size_t n) {
          // Each register's next number, read for the whole chunk at once.
          std::map<CaixaKey, long long> last;
          auto numbers = lease_->Prepare(sql::LastGravacoesIn(n));
          int index = 1;
          for (std::size_t r = from; r < from + n; ++r) {
            numbers.Bind(index++, gravacoes[r].depois.cdFilial);
            numbers.Bind(index++, gravacoes[r].depois.cdCaixa);
          }
          while (numbers.Step()) last[{numbers.Text(0), numbers.Text(1)}] = numbers.Int(2);
          auto insert = lease_->Prepare(sql::InsertGravacoes(n));
          index = 1;
          for (std::size_t r = from; r < from + n; ++r) {
            const GravacaoParametro& g = gravacoes[r];
            const long long numero = last[{g.depois.cdFilial, g.depois.cdCaixa}] + 1;
            sql_rows::BindGravacao(insert, index, g, numero);
            changes_.push_back({{g.depois.cdFilial, g.depois.cdCaixa}, numero});
          }
          insert.Run();
        });
  }
  void DeleteParametros(const std::vector<CaixaKey>& keys) override {
    sql_rows::ForChunks(keys.size(), sql_rows::kRowsPerStatement,
                        [&](std::size_t from, std::size_t n) {
                          auto erase = lease_->Prepare(sql::DeleteParametrosIn(n));
                          int index = 1;
                          for (std::size_t r = from; r < from + n; ++r) {
                            erase.Bind(index++, keys[r].cdFilial);
                            erase.Bind(index++, keys[r].cdCaixa);
                          }
                          erase.Run();
                        });
  }
  long long NextCopia() override {
    if (*Dialect::kLockCopias) lease_->Prepare(Dialect::kLockCopias).Step();
    auto next = lease_->Prepare(sql::kNextCopia);
    next.Step();
    return next.Int(0);
  }
  std::vector<std::optional<GravacaoParametro>> UltimasGravacoes(
      const std::vector<CaixaKey>& keys) override {
    return sql_rows::UltimasGravacoes(*lease_, keys);
  }
  SqlRows Run(std::string_view sql, const SqlValues& values, std::size_t columns) override {
    return sql_rows::Rows(*lease_, sql, values, columns);
  }
  void AnnounceCadastro(const CaixaKey& key) override { changes_.push_back({key, kCadastroMudou}); }
  // Every history row is a change of its register's record: the other
  // servers hear of them with the commit (a notification sent inside the
  // transaction is delivered only if it commits), this one right after.
  void Commit() override {
    if (*Dialect::kNotify) Notify();
    lease_->Exec("COMMIT");
    done_ = true;
    if (!changes_.empty() && observer_) observer_(changes_);
  }

 private:
  // As few notifications as the payload limit (8000 bytes) allows, each a
  // run of lines "branch TAB register TAB version".
  void Notify() {
    std::string payload;
    auto send = [&] {
      if (payload.empty()) return;
      lease_->Prepare(Dialect::kNotify).Bind(1, sql::kChangeChannel).Bind(2, payload).Step();
      payload.clear();
    };
    for (const VersaoCaixa& change : changes_) {
      std::string line = FormatChange(change);
      if (payload.size() + line.size() > kMaxPayload) send();
      payload += line;
    }
    send();
  }

  const ChangeObserver& observer_;
  std::unique_lock<std::mutex> turn_;  // held until the transaction ends
  Lease lease_;
  bool done_ = false;
  std::vector<VersaoCaixa> changes_;  // the registers whose history grew, with their new numbers
};

}  // namespace totem::server
