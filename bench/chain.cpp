#include "bench/chain.h"

#include "server/store/store_factory.h"

#include <algorithm>

namespace totem::bench {

std::string Code(int n, int width) {
  std::string text = std::to_string(n);
  return std::string(static_cast<std::size_t>(width) - std::min<std::size_t>(width, text.size()),
                     '0') +
         text;
}

std::vector<CaixaKey> FillChain(const std::string& address, int registers) {
  auto store = server::OpenStore(address, true);
  auto tx = store->BeginWrite();
  std::vector<CaixaKey> keys;
  for (int f = 1; f <= (registers + kRegistersPerBranch - 1) / kRegistersPerBranch; ++f) {
    const std::string filial = Code(f, 4);
    tx->UpsertFilial({filial, "Filial " + filial});
    for (int c = 1; c <= kRegistersPerBranch && static_cast<int>(keys.size()) < registers; ++c) {
      tx->UpsertCaixa({filial, Code(c, 3), "Caixa", "LJ" + filial, "Loja " + filial});
      server::ParametroTotem p;
      p.cdFilial = filial;
      p.cdCaixa = Code(c, 3);
      p["IDTIPEXTTOT"] = "1";
      p["NRSEGFECTOT"] = "20";
      p["DSMSGINITOT"] = "Inicial " + filial + "/" + p.cdCaixa;
      tx->UpsertParametro(p);
      keys.push_back({filial, p.cdCaixa});
    }
  }
  tx->Commit();
  return keys;
}

std::string KioskPath(const CaixaKey& caixa) { return "/kiosk/v1/parametros/" + caixa.Text(); }

}  // namespace totem::bench
