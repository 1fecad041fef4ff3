#include "server/sqlite_store.h"

#include "server/sqlite_connection.h"
#include "server/sqlite_migrations.h"

namespace totem::server {
namespace {

// Connections kept open for reuse; more are opened while more threads need
// one at the same time, and closed again when they come back.
constexpr std::size_t kMaxIdleConnections = 32;

constexpr const char* kSelectParametro =
    "SELECT p.cdfilial, p.cdcaixa, p.idsellojtot, p.idtipexttot, p.cdgrupprod, p.ideximsgsal,"
    " p.nrdiainitot, p.nrdiafintot, p.nrsegfectot, p.dsmsginitot, p.dsmsgaditot,"
    " p.idinfcliecai, p.dsmsgcontot, g.nmgrupprod"
    " FROM parametro_totem p"
    " LEFT JOIN grupo_produto g ON g.cdgrupprod = p.cdgrupprod"
    " WHERE p.cdfilial = ? AND p.cdcaixa = ?";

constexpr const char* kCaixaExists = "SELECT 1 FROM caixa WHERE cdfilial = ? AND cdcaixa = ?";

bool CaixaExistsOn(SqliteConnection& connection, const std::string& cdFilial,
                   const std::string& cdCaixa) {
  return connection.Prepare(kCaixaExists).Bind(1, cdFilial).Bind(2, cdCaixa).Step();
}

class SqliteWriteTransaction : public WriteTransaction {
 public:
  explicit SqliteWriteTransaction(SqliteStore::Lease lease) : lease_(std::move(lease)) {
    // IMMEDIATE takes the write lock now, so the checks made inside the
    // transaction still hold when it commits.
    lease_->Exec("BEGIN IMMEDIATE");
  }

  ~SqliteWriteTransaction() override {
    if (done_) return;
    try {
      lease_->Exec("ROLLBACK");
    } catch (const StoreError&) {
      // A failed COMMIT or I/O error may already have ended the transaction.
    }
  }

  bool FilialExists(const std::string& cdFilial) override {
    return lease_->Prepare("SELECT 1 FROM filial WHERE cdfilial = ?").Bind(1, cdFilial).Step();
  }

  bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) override {
    return CaixaExistsOn(*lease_, cdFilial, cdCaixa);
  }

  bool GrupoExists(const std::string& cdGrupProd) override {
    return lease_->Prepare("SELECT 1 FROM grupo_produto WHERE cdgrupprod = ?")
        .Bind(1, cdGrupProd)
        .Step();
  }

  void UpsertFilial(const Filial& f) override {
    lease_
        ->Prepare(
            "INSERT INTO filial (cdfilial, nmfilial) VALUES (?, ?)"
            " ON CONFLICT (cdfilial) DO UPDATE SET nmfilial = excluded.nmfilial")
        .Bind(1, f.cdFilial)
        .Bind(2, f.nmFilial)
        .Run();
  }

  void UpsertCaixa(const Caixa& c) override {
    lease_
        ->Prepare(
            "INSERT INTO caixa (cdfilial, cdcaixa, nmcaixa, cdloja, nmloja) VALUES (?, ?, ?, ?, ?)"
            " ON CONFLICT (cdfilial, cdcaixa) DO UPDATE SET nmcaixa = excluded.nmcaixa,"
            " cdloja = excluded.cdloja, nmloja = excluded.nmloja")
        .Bind(1, c.cdFilial)
        .Bind(2, c.cdCaixa)
        .Bind(3, c.nmCaixa)
        .Bind(4, c.cdLoja)
        .Bind(5, c.nmLoja)
        .Run();
  }

  void UpsertGrupo(const GrupoProduto& g) override {
    lease_
        ->Prepare(
            "INSERT INTO grupo_produto (cdgrupprod, nmgrupprod, dtultatugppr, idcadnvsubgr,"
            " idgrprodvmn) VALUES (?, ?, ?, ?, ?)"
            " ON CONFLICT (cdgrupprod) DO UPDATE SET nmgrupprod = excluded.nmgrupprod,"
            " dtultatugppr = excluded.dtultatugppr, idcadnvsubgr = excluded.idcadnvsubgr,"
            " idgrprodvmn = excluded.idgrprodvmn")
        .Bind(1, g.cdGrupProd)
        .Bind(2, g.nmGrupProd)
        .BindOptional(3, g.dtUltAtu)
        .BindOptional(4, g.idCadNvSubGr)
        .BindOptional(5, g.idGrProdVmn)
        .Run();
  }

  void UpsertParametro(const ParametroTotem& p) override {
    lease_
        ->Prepare(
            "INSERT INTO parametro_totem (cdfilial, cdcaixa, idsellojtot, idtipexttot, cdgrupprod,"
            " ideximsgsal, nrdiainitot, nrdiafintot, nrsegfectot, dsmsginitot, dsmsgaditot,"
            " idinfcliecai, dsmsgcontot) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
            " ON CONFLICT (cdfilial, cdcaixa) DO UPDATE SET idsellojtot = excluded.idsellojtot,"
            " idtipexttot = excluded.idtipexttot, cdgrupprod = excluded.cdgrupprod,"
            " ideximsgsal = excluded.ideximsgsal, nrdiainitot = excluded.nrdiainitot,"
            " nrdiafintot = excluded.nrdiafintot, nrsegfectot = excluded.nrsegfectot,"
            " dsmsginitot = excluded.dsmsginitot, dsmsgaditot = excluded.dsmsgaditot,"
            " idinfcliecai = excluded.idinfcliecai, dsmsgcontot = excluded.dsmsgcontot")
        .Bind(1, p.cdFilial)
        .Bind(2, p.cdCaixa)
        .Bind(3, p.idSelLojTot)
        .Bind(4, p.idTipExtTot)
        .Bind(5, p.cdGrupProd)
        .Bind(6, p.idExiMsgSal)
        .Bind(7, p.nrDiaIniTot)
        .Bind(8, p.nrDiaFinTot)
        .Bind(9, p.nrSegFecTot)
        .Bind(10, p.dsMsgIniTot)
        .Bind(11, p.dsMsgAdiTot)
        .Bind(12, p.idInfClieCai)
        .Bind(13, p.dsMsgConTot)
        .Run();
  }

  void Commit() override {
    lease_->Exec("COMMIT");
    done_ = true;
  }

 private:
  SqliteStore::Lease lease_;
  bool done_ = false;
};

}  // namespace

SqliteStore::SqliteStore(std::string path) : path_(std::move(path)) {
  auto connection = std::make_unique<SqliteConnection>(path_);
  ApplyMigrations(*connection);
  idle_.push_back(std::move(connection));
}

SqliteStore::~SqliteStore() = default;

SqliteStore::Lease::Lease(SqliteStore& store, std::unique_ptr<SqliteConnection> connection)
    : store_(&store), connection_(std::move(connection)) {}

SqliteStore::Lease::~Lease() {
  if (connection_) store_->GiveBack(std::move(connection_));
}

SqliteStore::Lease SqliteStore::Borrow() {
  {
    std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      auto connection = std::move(idle_.back());
      idle_.pop_back();
      return Lease(*this, std::move(connection));
    }
  }
  return Lease(*this, std::make_unique<SqliteConnection>(path_));
}

void SqliteStore::GiveBack(std::unique_ptr<SqliteConnection> connection) {
  std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdleConnections) idle_.push_back(std::move(connection));
}

std::vector<Filial> SqliteStore::ListFiliais() {
  auto connection = Borrow();
  auto select = connection->Prepare("SELECT cdfilial, nmfilial FROM filial ORDER BY cdfilial");
  std::vector<Filial> out;
  while (select.Step()) out.push_back({select.Text(0), select.Text(1)});
  return out;
}

std::vector<Caixa> SqliteStore::ListCaixas() {
  auto connection = Borrow();
  auto select = connection->Prepare(
      "SELECT cdfilial, cdcaixa, nmcaixa, cdloja, nmloja FROM caixa ORDER BY cdfilial, cdcaixa");
  std::vector<Caixa> out;
  while (select.Step())
    out.push_back({select.Text(0), select.Text(1), select.Text(2), select.Text(3), select.Text(4)});
  return out;
}

std::vector<GrupoProduto> SqliteStore::ListGrupos() {
  auto connection = Borrow();
  auto select = connection->Prepare(
      "SELECT cdgrupprod, nmgrupprod, dtultatugppr, idcadnvsubgr, idgrprodvmn"
      " FROM grupo_produto ORDER BY cdgrupprod");
  std::vector<GrupoProduto> out;
  while (select.Step())
    out.push_back({select.Text(0), select.Text(1), select.OptionalText(2), select.OptionalText(3),
                   select.OptionalText(4)});
  return out;
}

bool SqliteStore::CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) {
  auto connection = Borrow();
  return CaixaExistsOn(*connection, cdFilial, cdCaixa);
}

std::optional<ParametroCarregado> SqliteStore::LoadParametro(const std::string& cdFilial,
                                                             const std::string& cdCaixa) {
  auto connection = Borrow();
  auto select = connection->Prepare(kSelectParametro);
  select.Bind(1, cdFilial).Bind(2, cdCaixa);
  if (!select.Step()) return std::nullopt;
  ParametroCarregado out;
  auto& p = out.parametro;
  int c = 0;
  for (std::string* field :
       {&p.cdFilial, &p.cdCaixa, &p.idSelLojTot, &p.idTipExtTot, &p.cdGrupProd, &p.idExiMsgSal,
        &p.nrDiaIniTot, &p.nrDiaFinTot, &p.nrSegFecTot, &p.dsMsgIniTot, &p.dsMsgAdiTot,
        &p.idInfClieCai, &p.dsMsgConTot})
    *field = select.Text(c++);
  out.nmGrupProd = select.OptionalText(c);
  return out;
}

bool SqliteStore::IsEmpty() {
  auto connection = Borrow();
  auto select = connection->Prepare(
      "SELECT (SELECT COUNT(*) FROM filial) + (SELECT COUNT(*) FROM caixa)"
      " + (SELECT COUNT(*) FROM grupo_produto) + (SELECT COUNT(*) FROM parametro_totem)");
  select.Step();
  return select.Int(0) == 0;
}

std::unique_ptr<WriteTransaction> SqliteStore::BeginWrite() {
  return std::make_unique<SqliteWriteTransaction>(Borrow());
}

}  // namespace totem::server
