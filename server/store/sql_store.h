#pragma once
// The store over an SQL database, written once for every database the server
// supports. A dialect supplies the connection type (Exec, Prepare with "?"
// placeholders, Bind, Step, Text ...), how to open and migrate a database,
// and the few statements that differ between databases:
//   kBeginWrite   how a write transaction starts;
//   kSelectGrupos the product groups, with the date-time as ISO 8601 text;
//   kLockCaixa    a register's row, locked until the transaction ends where
//                 the database locks rows (a save's history is numbered by
//                 reading the last number, so saves of one register queue).
// Each thread borrows a connection of its own from a small pool; a
// connection that broke (the database went away) is dropped instead of
// being handed back, so the next call opens a fresh one.
#include "server/store/change_feed.h"
#include "server/store/sql_statements.h"
#include "server/store/store.h"

#include <algorithm>
#include <cstdint>
#include <array>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace totem::server {

template <class Dialect>
class SqlStore : public Store {
 public:
  using Connection = typename Dialect::Connection;

  // Opens the database, checks that it is sound, applies pending
  // migrations and checks that every table of the schema is there. Throws
  // StoreError, naming the database, for one that is damaged.
  explicit SqlStore(std::string address) : address_(std::move(address)) {
    auto connection = Dialect::Connect(address_);
    Dialect::CheckIntegrity(*connection);
    Dialect::Migrate(*connection, address_);
    for (const char* table : sql::kSchemaTables) {
      try {
        connection->Prepare(std::string("SELECT 1 FROM ") + table + " LIMIT 0").Step();
      } catch (const StoreError& error) {
        throw StoreError("a base " + Dialect::Name(address_) + " não tem a tabela " + table +
                         " do esquema: " + error.what());
      }
    }
    idle_.push_back(std::move(connection));
  }

  // A borrowed connection, handed back to the pool when it goes away.
  class Lease {
   public:
    Lease(SqlStore& store, std::unique_ptr<Connection> connection)
        : store_(&store), connection_(std::move(connection)) {}
    ~Lease() {
      if (connection_) store_->GiveBack(std::move(connection_));
    }
    Lease(Lease&&) = default;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    Connection& operator*() const { return *connection_; }
    Connection* operator->() const { return connection_.get(); }

   private:
    SqlStore* store_;
    std::unique_ptr<Connection> connection_;
  };

  Lease Borrow() {
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        auto connection = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(connection));
      }
    }
    return Lease(*this, Dialect::Connect(address_));
  }

  std::vector<Filial> ListFiliais() override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectFiliais);
    std::vector<Filial> out;
    while (select.Step()) out.push_back({select.Text(0), select.Text(1)});
    return out;
  }

  std::vector<Caixa> ListCaixas() override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectCaixas);
    std::vector<Caixa> out;
    while (select.Step())
      out.push_back({select.Text(0), select.Text(1), select.Text(2), select.Text(3), select.Text(4)});
    return out;
  }

  std::vector<GrupoProduto> ListGrupos() override {
    auto c = Borrow();
    auto select = c->Prepare(Dialect::kSelectGrupos);
    std::vector<GrupoProduto> out;
    while (select.Step())
      out.push_back({select.Text(0), select.Text(1), select.OptionalText(2), select.OptionalText(3),
                     select.OptionalText(4)});
    return out;
  }

  bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) override {
    auto c = Borrow();
    return c->Prepare(sql::kCaixaExists).Bind(1, cdFilial).Bind(2, cdCaixa).Step();
  }

  std::optional<ParametroCarregado> LoadParametro(const std::string& cdFilial,
                                                  const std::string& cdCaixa) override {
    auto c = Borrow();
    auto select = c->Prepare(sql::SelectParametro());
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    if (!select.Step()) return std::nullopt;
    ParametroCarregado out;
    auto& p = out.parametro;
    p.cdFilial = select.Text(0);
    p.cdCaixa = select.Text(1);
    int column = 2;
    for (std::string& value : p.values) value = select.Text(column++);
    out.nmGrupProd = select.OptionalText(column);
    return out;
  }

  bool IsEmpty() override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kCountAll);
    select.Step();
    return select.Int(0) == 0;
  }

  std::vector<GravacaoParametro> ListGravacoes(const std::string& cdFilial,
                                               const std::string& cdCaixa) override {
    auto c = Borrow();
    auto select = c->Prepare(sql::SelectGravacoes());
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    std::vector<GravacaoParametro> out;
    while (select.Step()) out.push_back(ReadGravacao(select, cdFilial, cdCaixa));
    return out;
  }

  std::vector<GravacaoParametro> ListGravacoesRecentes(const std::string& cdFilial,
                                                       const std::string& cdCaixa, int limite,
                                                       std::optional<long long> antes) override {
    auto c = Borrow();
    auto select = c->Prepare(sql::SelectGravacoesRecentes());
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    // Save numbers are 32-bit in the tables: anything above is above them all.
    constexpr long long kAboveAll = std::numeric_limits<std::int32_t>::max();
    select.BindInt(3, std::min(antes.value_or(kAboveAll), kAboveAll)).BindInt(4, limite);
    std::vector<GravacaoParametro> out;
    while (select.Step()) out.push_back(ReadGravacao(select, cdFilial, cdCaixa));
    return out;
  }

  std::vector<CaixaAtual> LoadCaixas(const std::vector<CaixaKey>& keys) override {
    auto c = Borrow();
    return SelectCaixas(*c, keys, "");
  }

  std::vector<VersaoCaixa> ListVersoes() override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectVersoes);
    std::vector<VersaoCaixa> out;
    while (select.Step()) out.push_back({{select.Text(0), select.Text(1)}, select.Int(2)});
    return out;
  }

  std::optional<long long> Versao(const std::string& cdFilial, const std::string& cdCaixa) override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectVersao);
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    if (!select.Step()) return std::nullopt;
    return select.Int(0);
  }

  void ObserveChanges(ChangeObserver observer, int pollMs) override {
    observer_ = std::move(observer);
    listener_ = Dialect::Listen(address_, observer_, [this] { return ListVersoes(); }, pollMs);
  }

  // Reads the migrations table: the database answers and holds our schema.
  void Ping() override {
    auto c = Borrow();
    c->Prepare("SELECT COUNT(*) FROM schema_migrations").Step();
  }

  void CheckWritable() override {
    // In turn with this process's own writers, as a save would be.
    std::unique_lock<std::mutex> turn;
    if constexpr (Dialect::kOneWriterAtATime) turn = std::unique_lock(writeTurn_);
    auto c = Borrow();
    Dialect::CheckWritable(*c, address_);
  }

  SqlRows Read(std::string_view sql, const SqlValues& values, std::size_t columns) override {
    auto c = Borrow();
    return Rows(*c, sql, values, columns);
  }

  std::unique_ptr<WriteTransaction> BeginWrite() override {
    if constexpr (Dialect::kOneWriterAtATime) {
      // Writers of this process take turns on a lock here instead of
      // polling the database's write lock, which under load can leave one
      // writer waiting out the whole busy timeout.
      std::unique_lock turn(writeTurn_);
      return std::make_unique<Transaction>(*this, Borrow(), std::move(turn));
    } else {
      return std::make_unique<Transaction>(*this, Borrow(), std::unique_lock<std::mutex>());
    }
  }

 private:
  // Rows one statement carries when many registers are read or written at
  // once: well inside every database's limit on parameters.
  static constexpr std::size_t kRowsPerStatement = 200;

  // Calls body(from, n) for consecutive chunks of at most chunk of total.
  template <class Body>
  static void ForChunks(std::size_t total, std::size_t chunk, Body&& body) {
    for (std::size_t from = 0; from < total; from += chunk) body(from, std::min(chunk, total - from));
  }

  // One row of the history, in the columns of sql::SelectGravacoes.
  template <class Statement>
  static GravacaoParametro ReadGravacao(Statement& select, const std::string& cdFilial,
                                        const std::string& cdCaixa) {
    GravacaoParametro g;
    g.numero = select.Int(0);
    g.quando = select.Text(1);
    g.token = select.Text(2);
    g.cliente = select.Text(3);
    g.origem = select.Text(4);
    constexpr int kFirstAntes = 5;
    constexpr int kFirstDepois = kFirstAntes + static_cast<int>(contract::kRecord.size());
    g.depois.cdFilial = cdFilial;
    g.depois.cdCaixa = cdCaixa;
    // The "_antes" columns are written all NULL or all set.
    if (select.OptionalText(kFirstAntes)) {
      g.antes.emplace();
      g.antes->cdFilial = cdFilial;
      g.antes->cdCaixa = cdCaixa;
    }
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i) {
      if (g.antes) g.antes->values[i] = select.Text(kFirstAntes + static_cast<int>(i));
      g.depois.values[i] = select.Text(kFirstDepois + static_cast<int>(i));
    }
    return g;
  }

  // A history row's values, in the columns of sql::InsertGravacao, from index.
  template <class Statement>
  static void BindGravacao(Statement& insert, int& index, const GravacaoParametro& g,
                           long long numero) {
    insert.Bind(index++, g.depois.cdFilial);
    insert.Bind(index++, g.depois.cdCaixa);
    insert.BindInt(index++, numero);
    insert.Bind(index++, g.quando);
    insert.Bind(index++, g.token);
    insert.Bind(index++, g.cliente);
    insert.BindOptional(index++, g.origem.empty() ? std::nullopt : std::optional(g.origem));
    for (std::size_t i = 0; i < contract::kRecord.size(); ++i)
      insert.BindOptional(index++, g.antes ? std::optional(g.antes->values[i]) : std::nullopt);
    for (const std::string& value : g.depois.values) insert.Bind(index++, value);
  }

  static SqlRows Rows(Connection& c, std::string_view sql, const SqlValues& values, std::size_t columns) {
    auto statement = c.Prepare(sql);
    for (std::size_t i = 0; i < values.size(); ++i) statement.BindOptional(static_cast<int>(i + 1), values[i]);
    SqlRows rows;
    while (statement.Step()) {
      SqlValues& row = rows.emplace_back();
      for (std::size_t i = 0; i < columns; ++i) row.push_back(statement.OptionalText(static_cast<int>(i)));
    }
    return rows;
  }

  // Whether each register exists and its record, in the keys' order.
  static std::vector<CaixaAtual> SelectCaixas(Connection& c, const std::vector<CaixaKey>& keys,
                                              std::string_view lockSuffix) {
    std::map<CaixaKey, CaixaAtual> found;
    ForChunks(keys.size(), kRowsPerStatement, [&](std::size_t from, std::size_t n) {
      auto select = c.Prepare(sql::SelectCaixasIn(n, lockSuffix));
      int index = 1;
      for (std::size_t r = from; r < from + n; ++r) {
        select.Bind(index++, keys[r].first);
        select.Bind(index++, keys[r].second);
      }
      while (select.Step()) {
        CaixaAtual& caixa = found[{select.Text(0), select.Text(1)}];
        caixa.existe = true;
        if (select.Int(2) == 0) continue;
        ParametroTotem& p = caixa.parametro.emplace();
        p.cdFilial = select.Text(0);
        p.cdCaixa = select.Text(1);
        for (std::size_t i = 0; i < p.values.size(); ++i) p.values[i] = select.Text(3 + static_cast<int>(i));
      }
    });
    std::vector<CaixaAtual> out;
    out.reserve(keys.size());
    for (const CaixaKey& key : keys) out.push_back(found[key]);
    return out;
  }

  class Transaction : public WriteTransaction {
   public:
    Transaction(SqlStore& store, Lease lease, std::unique_lock<std::mutex> turn)
        : store_(store), turn_(std::move(turn)), lease_(std::move(lease)) {
      lease_->Exec(Dialect::kBeginWrite);
    }
    ~Transaction() override {
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
      for (std::size_t i = 0; i < p.values.size(); ++i) p.values[i] = select.Text(static_cast<int>(i));
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
      BindGravacao(insert, index, g, numero);
      insert.Run();
      changes_.push_back({{filial, caixa}, numero});
      return numero;
    }
    std::vector<CaixaAtual> LockCaixas(const std::vector<CaixaKey>& keys) override {
      return SelectCaixas(*lease_, keys, Dialect::kLockRowsSuffix);
    }
    void UpsertParametros(const std::vector<ParametroTotem>& parametros) override {
      ForChunks(parametros.size(), kRowsPerStatement, [&](std::size_t from, std::size_t n) {
        auto upsert = lease_->Prepare(sql::UpsertParametros(n));
        int index = 1;
        for (std::size_t r = from; r < from + n; ++r) {
          upsert.Bind(index++, parametros[r].cdFilial);
          upsert.Bind(index++, parametros[r].cdCaixa);
          for (const std::string& value : parametros[r].values) upsert.Bind(index++, value);
        }
        upsert.Run();
      });
    }
    void AppendGravacoes(const std::vector<GravacaoParametro>& gravacoes) override {
      ForChunks(gravacoes.size(), kRowsPerStatement, [&](std::size_t from, std::size_t n) {
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
          BindGravacao(insert, index, g, numero);
          changes_.push_back({{g.depois.cdFilial, g.depois.cdCaixa}, numero});
        }
        insert.Run();
      });
    }
    SqlRows Run(std::string_view sql, const SqlValues& values, std::size_t columns) override {
      return Rows(*lease_, sql, values, columns);
    }
    void AnnounceCadastro(const CaixaKey& key) override { changes_.push_back({key, kCadastroMudou}); }
    // Every history row is a change of its register's record: the other
    // servers hear of them with the commit (a notification sent inside the
    // transaction is delivered only if it commits), this one right after.
    void Commit() override {
      if (*Dialect::kNotify) Notify();
      lease_->Exec("COMMIT");
      done_ = true;
      if (!changes_.empty() && store_.observer_) store_.observer_(changes_);
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

    SqlStore& store_;
    std::unique_lock<std::mutex> turn_;  // held until the transaction ends
    Lease lease_;
    bool done_ = false;
    std::vector<VersaoCaixa> changes_;  // the registers whose history grew, with their new numbers
  };

  // Connections kept open for reuse; more are opened while more threads
  // need one at the same time, and closed again when they come back.
  static constexpr std::size_t kMaxIdleConnections = 32;

  void GiveBack(std::unique_ptr<Connection> connection) {
    if (Dialect::Broken(*connection)) return;  // the next call opens a fresh one
    std::lock_guard lock(mutex_);
    if (idle_.size() < kMaxIdleConnections) idle_.push_back(std::move(connection));
  }

  std::string address_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Connection>> idle_;
  std::mutex writeTurn_;
  ChangeObserver observer_;
  // Last: it stops before anything it reads goes away.
  std::unique_ptr<ChangeListener> listener_;
};

}  // namespace totem::server
