#pragma once
// What the parameter module and the importer need from storage, independent
// of the database behind it. Every value is UTF-8 text kept exactly as it was
// sent; rules about the values live above this interface.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
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

// The kiosk parameter record of one register.
struct ParametroTotem {
  std::string cdFilial;
  std::string cdCaixa;
  std::string idSelLojTot;
  std::string idTipExtTot;
  std::string cdGrupProd;
  std::string idExiMsgSal;
  std::string nrDiaIniTot;
  std::string nrDiaFinTot;
  std::string nrSegFecTot;
  std::string dsMsgIniTot;
  std::string dsMsgAdiTot;
  std::string idInfClieCai;
  std::string dsMsgConTot;
};

// A stored record plus the name of its product group, when the code names one.
struct ParametroCarregado {
  ParametroTotem parametro;
  std::optional<std::string> nmGrupProd;
};

// A database failure. The message carries technical detail for the log and
// is never shown to the user.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One write transaction. Nothing is visible to others until Commit(); a
// transaction destroyed without Commit() is rolled back.
class WriteTransaction {
 public:
  virtual ~WriteTransaction() = default;

  virtual bool FilialExists(const std::string& cdFilial) = 0;
  virtual bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  virtual bool GrupoExists(const std::string& cdGrupProd) = 0;

  virtual void UpsertFilial(const Filial& filial) = 0;
  virtual void UpsertCaixa(const Caixa& caixa) = 0;  // its branch must exist
  virtual void UpsertGrupo(const GrupoProduto& grupo) = 0;
  virtual void UpsertParametro(const ParametroTotem& parametro) = 0;  // its register must exist

  virtual void Commit() = 0;
};

// Every member may throw StoreError. Implementations are safe to use from
// several threads at once.
class Store {
 public:
  virtual ~Store() = default;

  virtual std::vector<Filial> ListFiliais() = 0;                // by code
  virtual std::vector<Caixa> ListCaixas() = 0;                  // by branch, then register
  virtual std::vector<GrupoProduto> ListGrupos() = 0;           // by code
  virtual bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) = 0;
  virtual std::optional<ParametroCarregado> LoadParametro(const std::string& cdFilial,
                                                          const std::string& cdCaixa) = 0;
  // True when no master data and no parameter record is stored.
  virtual bool IsEmpty() = 0;

  virtual std::unique_ptr<WriteTransaction> BeginWrite() = 0;
};

}  // namespace totem::server
