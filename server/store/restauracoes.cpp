#include "server/store/restauracoes.h"

#include "server/store/pg_store.h"
#include "server/store/sqlite_store.h"

namespace totem::server {
namespace {

template <class Dialect>
std::vector<Restauracao> Read(SqlStore<Dialect>& store) {
  auto c = store.Borrow();
  auto select = c->Prepare(sql::kSelectRestauracoes);
  std::vector<Restauracao> out;
  while (select.Step())
    out.push_back({select.Text(0), select.Text(1), select.Text(2), select.Text(3)});
  return out;
}

}  // namespace

// Outside the Store interface: only the history command asks, and only of
// the two SQL stores.
std::vector<Restauracao> ListRestauracoes(Store& store) {
  if (auto* sqlite = dynamic_cast<SqliteStore*>(&store)) return Read(*sqlite);
  if (auto* pg = dynamic_cast<PgStore*>(&store)) return Read(*pg);
  return {};
}

}  // namespace totem::server
