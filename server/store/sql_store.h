#pragma once
// The store over an SQL database, written once for every database the server
// supports. A dialect supplies the connection type (Exec, Prepare with "?"
// placeholders, Bind, Step, Text ...), how to open and migrate a database,
// where its commit stamp comes from (OpenStamps: none where it costs a query),
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
#include "server/store/sql_rows.h"
#include "server/store/sql_statements.h"
#include "server/store/sql_transaction.h"
#include "server/store/store.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
    stamps_ = Dialect::OpenStamps(address_);
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
      out.push_back(
          {select.Text(0), select.Text(1), select.Text(2), select.Text(3), select.Text(4)});
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
    while (select.Step()) out.push_back(sql_rows::ReadGravacao(select, cdFilial, cdCaixa));
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
    while (select.Step()) out.push_back(sql_rows::ReadGravacao(select, cdFilial, cdCaixa));
    return out;
  }

  std::vector<CaixaAtual> LoadCaixas(const std::vector<CaixaKey>& keys) override {
    auto c = Borrow();
    return sql_rows::SelectCaixas(*c, keys, "");
  }

  std::vector<std::optional<GravacaoParametro>> UltimasGravacoes(
      const std::vector<CaixaKey>& keys) override {
    auto c = Borrow();
    return sql_rows::UltimasGravacoes(*c, keys);
  }

  std::vector<CaixaKey> DestinosDaCopia(long long idCopia) override {
    auto c = Borrow();
    return sql_rows::DestinosDaCopia(*c, idCopia);
  }

  std::vector<VersaoCaixa> ListVersoes() override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectVersoes);
    std::vector<VersaoCaixa> out;
    while (select.Step()) out.push_back({{select.Text(0), select.Text(1)}, select.Int(2)});
    return out;
  }

  std::optional<long long> Versao(const std::string& cdFilial,
                                  const std::string& cdCaixa) override {
    auto c = Borrow();
    auto select = c->Prepare(sql::kSelectVersao);
    select.Bind(1, cdFilial).Bind(2, cdCaixa);
    if (!select.Step()) return std::nullopt;
    return select.Int(0);
  }

  void ObserveChanges(ChangeObserver observer, int pollMs) override {
    observer_ = std::move(observer);
    listener_ = Dialect::Listen(
        address_, observer_, [this] { return ListVersoes(); }, pollMs);
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
    return sql_rows::Rows(*c, sql, values, columns);
  }

  std::optional<CommitStamp> Stamp() const override {
    return stamps_ ? stamps_->Read() : std::nullopt;
  }

  std::unique_ptr<WriteTransaction> BeginWrite() override {
    if constexpr (Dialect::kOneWriterAtATime) {
      // Writers of this process take turns on a lock here instead of
      // polling the database's write lock, which under load can leave one
      // writer waiting out the whole busy timeout.
      std::unique_lock turn(writeTurn_);
      return std::make_unique<SqlTransaction<Dialect, Lease>>(observer_, Borrow(), std::move(turn));
    } else {
      return std::make_unique<SqlTransaction<Dialect, Lease>>(observer_, Borrow(),
                                                              std::unique_lock<std::mutex>());
    }
  }

 private:
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
  std::unique_ptr<CommitStampSource> stamps_;
  // Last: it stops before anything it reads goes away.
  std::unique_ptr<ChangeListener> listener_;
};

}  // namespace totem::server
