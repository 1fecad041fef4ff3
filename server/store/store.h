#pragma once
// What the parameter module and the importer need from storage, independent
// of the database behind it. Every value is UTF-8 text kept exactly as it was
// sent; rules about the values live above this interface.
#include "platform/caixa_key.h"
#include "platform/parametros_contract.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace totem::server {

struct Filial {
  std::string cdFilial;
  std::string nmFilial;
};

struct Caixa {
  std::string cdFilial;
  std::string cdCaixa;
  std::string nmCaixa;
  std::string cdLoja;
  std::string nmLoja;
};

struct GrupoProduto {
  std::string cdGrupProd;
  std::string nmGrupProd;
  std::optional<std::string> dtUltAtu;  // "YYYY-MM-DDTHH:MM:SS"
  std::optional<std::string> idCadNvSubGr;
  std::optional<std::string> idGrProdVmn;
};

// The kiosk parameter record of one register: its values in the contract's
// order (contract::kRecord), reached by their wire names (contract::col::DSMSGINITOT).
struct ParametroTotem {
  using Values = std::array<std::string, contract::kRecord.size()>;

  std::string cdFilial;
  std::string cdCaixa;
  Values values;

  std::string& operator[](std::string_view field) {
    return values[contract::RecordIndex(field).value()];
  }
  const std::string& operator[](std::string_view field) const {
    return values[contract::RecordIndex(field).value()];
  }
};

// A stored record plus the name of its product group, when the code names one.
struct ParametroCarregado {
  ParametroTotem parametro;
  std::optional<std::string> nmGrupProd;
};

// One accepted save of a register's parameter record, as its history keeps
// it: who saved, from where, and every value before and after.
struct GravacaoParametro {
  long long numero = 0;  // 1, 2, ... per register, in the order the saves committed
  std::string quando;    // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ"
  std::string token;     // name of the caller's token; empty when the server requires none
  std::string cliente;   // the caller's IP address
  std::optional<ParametroTotem> antes;  // none on the register's first save
  ParametroTotem depois;
  std::string origem;              // "0001/002" when the save copied that register; empty otherwise
  std::optional<long long> copia;  // the copy that made the save
  std::optional<long long> restaurada;  // the save whose values this one put back
  std::optional<long long> desfeita;    // the copy this save took back
  // The save left the register without a record (depois holds empty texts).
  bool semParametro = false;
};

// A register as a copy sees it: whether it exists, and its record if any.
struct CaixaAtual {
  bool existe = false;
  std::optional<ParametroTotem> parametro;
};

// How far a register's record has come: the number of its last save (0
// before the first). It grows with every committed change of the record.
struct VersaoCaixa {
  CaixaKey caixa;
  long long versao = 0;
};

using ChangeObserver = std::function<void(const std::vector<VersaoCaixa>&)>;

// A database failure. The message carries technical detail for the log and
// is never shown to the user.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using SqlValues = std::vector<std::optional<std::string>>;
using SqlRows = std::vector<SqlValues>;

// A register's version that is no number: the register or its branch was
// removed or brought back, and whoever keeps its settings reads them again.
inline constexpr long long kCadastroMudou = -1;

// One write transaction. Nothing is visible to others until Commit(); a
// transaction destroyed without Commit() is rolled back.
class WriteTransaction {
 public:
  virtual ~WriteTransaction() = default;

  // True when no master data and no parameter record is stored, as this
  // transaction sees it. Other transactions asking the same wait until this
  // one ends, so of several at once only the first can find it empty.
  virtual bool IsEmptyLocked() = 0;
  virtual bool FilialExists(const std::string& cdFilial) = 0;
  virtual bool GrupoExists(const std::string& cdGrupProd) = 0;
  // True when the register exists. Until this transaction ends, other saves
  // of the same register wait for it, so each one reads the record the one
  // before it wrote and numbers its history after it.
  virtual bool LockCaixa(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  // The register's record as this transaction sees it; none when it has none.
  virtual std::optional<ParametroTotem> CurrentParametro(const std::string& cdFilial,
                                                         const std::string& cdCaixa) = 0;

  virtual void UpsertFilial(const Filial& filial) = 0;
  virtual void UpsertCaixa(const Caixa& caixa) = 0;  // its branch must exist
  virtual void UpsertGrupo(const GrupoProduto& grupo) = 0;
  virtual void UpsertParametro(const ParametroTotem& parametro) = 0;  // its register must exist
  // Appends a save to the history of gravacao.depois's register, numbered
  // after the last one (gravacao.numero is ignored); returns its number.
  virtual long long AppendGravacao(const GravacaoParametro& gravacao) = 0;

  // The same for many registers at once, a few hundred to a statement (a
  // copy to thousands of registers): LockCaixa and CurrentParametro of each
  // key, answered in the keys' order; UpsertParametro of each record;
  // AppendGravacao of each save (one save per register).
  virtual std::vector<CaixaAtual> LockCaixas(const std::vector<CaixaKey>& keys) = 0;
  virtual void UpsertParametros(const std::vector<ParametroTotem>& parametros) = 0;
  virtual void AppendGravacoes(const std::vector<GravacaoParametro>& gravacoes) = 0;
  // Takes the registers' records away (a put-back to before their first
  // save); the history rows say so (GravacaoParametro::semParametro).
  virtual void DeleteParametros(const std::vector<CaixaKey>& keys) = 0;
  // The next copy's number, 1 above the highest in the history. Copies
  // take turns on it until their transactions end: take it before locking
  // any register.
  virtual long long NextCopia() = 0;
  // The last save of each register, in the keys' order (none: never saved).
  virtual std::vector<std::optional<GravacaoParametro>> UltimasGravacoes(
      const std::vector<CaixaKey>& keys) = 0;

  // A statement of the store's own modules (removals: cadastro_removal.h)
  // with its "?" values in order (nullopt: NULL); the rows it returns, each
  // of `columns` values.
  virtual SqlRows Run(std::string_view sql, const SqlValues& values, std::size_t columns) = 0;
  // With the commit, the waiting kiosks hear that this register (a whole
  // branch: an empty register) was removed or brought back.
  virtual void AnnounceCadastro(const CaixaKey& key) = 0;

  virtual void Commit() = 0;
};

// What the database looked like after its last commit, as far as telling
// commits apart goes: two equal stamps, read at two moments, mean nothing
// was committed in between, by this process or any other.
using CommitStamp = std::array<unsigned char, 48>;

class CommitStampSource {
 public:
  virtual ~CommitStampSource() = default;
  // None when it cannot be told now.
  virtual std::optional<CommitStamp> Read() const = 0;
};

// Every member may throw StoreError. Implementations are safe to use from
// several threads at once.
class Store {
 public:
  virtual ~Store() = default;

  virtual std::vector<Filial> ListFiliais() = 0;       // by code
  virtual std::vector<Caixa> ListCaixas() = 0;         // by branch, then register
  virtual std::vector<GrupoProduto> ListGrupos() = 0;  // by code
  virtual bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  virtual std::optional<ParametroCarregado> LoadParametro(const std::string& cdFilial,
                                                          const std::string& cdCaixa) = 0;
  // True when no master data and no parameter record is stored.
  virtual bool IsEmpty() = 0;
  // The register's saves, oldest first.
  virtual std::vector<GravacaoParametro> ListGravacoes(const std::string& cdFilial,
                                                       const std::string& cdCaixa) = 0;
  // At most limite of the register's saves numbered below antes (none: from
  // the newest), newest first.
  virtual std::vector<GravacaoParametro> ListGravacoesRecentes(const std::string& cdFilial,
                                                               const std::string& cdCaixa,
                                                               int limite,
                                                               std::optional<long long> antes) = 0;
  // Whether each register exists and its record, in the keys' order.
  virtual std::vector<CaixaAtual> LoadCaixas(const std::vector<CaixaKey>& keys) = 0;
  // As WriteTransaction::UltimasGravacoes, outside a transaction.
  virtual std::vector<std::optional<GravacaoParametro>> UltimasGravacoes(
      const std::vector<CaixaKey>& keys) = 0;
  // The registers a copy wrote a history row to, removed ones included, by
  // code; none for a number no copy has.
  virtual std::vector<CaixaKey> DestinosDaCopia(long long idCopia) = 0;
  // Every register with its version; one register's (none when it does not
  // exist).
  virtual std::vector<VersaoCaixa> ListVersoes() = 0;
  virtual std::optional<long long> Versao(const std::string& cdFilial,
                                          const std::string& cdCaixa) = 0;
  // Tells observer of every committed change of registers' records, each
  // register with its new version: on the committing thread right after a
  // commit of this process, and, over a database several servers share, on
  // a thread of the store's own for the other servers' commits (then once
  // more with every register's version after a lost connection to the
  // database came back, as changes may have been missed meanwhile). Over
  // SQLite the commits of other processes (an import run beside the
  // server) are looked for every pollMs milliseconds, and not at all for 0
  // (nothing else writes the file); PostgreSQL tells of the other servers'
  // as they come, whatever pollMs says. Set once, before the store is used
  // from several threads. Throws StoreError when the other servers cannot
  // be listened to.
  virtual void ObserveChanges(ChangeObserver observer, int pollMs) = 0;
  // Runs a trivial query on the schema; throws StoreError when the database
  // cannot answer it.
  virtual void Ping() = 0;
  // Throws StoreError, with a message for the operator, when the store
  // cannot take a write now: the database is open read-only (file
  // permissions, a read-only file system, a standby or read-only
  // PostgreSQL, no right to write the tables) or its write lock cannot be had.
  virtual void CheckWritable() = 0;

  virtual std::unique_ptr<WriteTransaction> BeginWrite() = 0;
  // The database's commit stamp, read without asking the database; none
  // where it cannot be had so cheaply (then nothing read may be kept).
  virtual std::optional<CommitStamp> Stamp() const { return std::nullopt; }
  // A reading statement of the store's own modules, as WriteTransaction::Run.
  virtual SqlRows Read(std::string_view sql, const SqlValues& values, std::size_t columns) = 0;
};

}  // namespace totem::server
