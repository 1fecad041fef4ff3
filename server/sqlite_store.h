#pragma once
// The store on an SQLite file. Each thread borrows its own connection from a
// small pool, so the HTTP workers read in parallel (WAL) and writers queue
// on SQLite's write lock.
#include "server/store.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace totem::server {

class SqliteConnection;

class SqliteStore : public Store {
 public:
  // Opens or creates the file and applies pending migrations. Throws
  // StoreError.
  explicit SqliteStore(std::string path);
  ~SqliteStore() override;

  std::vector<Filial> ListFiliais() override;
  std::vector<Caixa> ListCaixas() override;
  std::vector<GrupoProduto> ListGrupos() override;
  bool CaixaExists(const std::string& cdFilial, const std::string& cdCaixa) override;
  std::optional<ParametroCarregado> LoadParametro(const std::string& cdFilial,
                                                  const std::string& cdCaixa) override;
  bool IsEmpty() override;
  std::unique_ptr<WriteTransaction> BeginWrite() override;

  // A borrowed connection, handed back to the pool when it goes away.
  class Lease {
   public:
    Lease(SqliteStore& store, std::unique_ptr<SqliteConnection> connection);
    ~Lease();
    Lease(Lease&&) = default;
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;
    SqliteConnection& operator*() const { return *connection_; }
    SqliteConnection* operator->() const { return connection_.get(); }

   private:
    SqliteStore* store_;
    std::unique_ptr<SqliteConnection> connection_;
  };
  Lease Borrow();

 private:
  void GiveBack(std::unique_ptr<SqliteConnection> connection);

  std::string path_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<SqliteConnection>> idle_;
};

}  // namespace totem::server
