// The copy and the history over a large chain, on SQLite and on PostgreSQL,
// as the screen calls them through a real server: 5,000 branches with 10
// registers each; a preview and a copy to 5,000 of them; the first page of a
// register with 10,000 saves; undoing the copy and its preview; a restore of
// a save of that register. Baseline, measured in the same run on the same
// store: 5,000 single saves in one transaction, as the copy would be done
// one save at a time; for the restore, one save of the same register.
//
//   build/bench/copy_history_bench [--branches N]
#include "bench/timing.h"
#include "platform/socket_connection.h"
#include "server/log/server_log.h"
#include "server/store/store_factory.h"
#include "service/remote_parametros_client.h"
#include "tests/support/project_scripts.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

using namespace totem;
using bench::Clock;

namespace {

int g_branches = 5000;
constexpr int kRegistersPerBranch = 10;
constexpr int kDestinations = 5000;
constexpr int kSaves = 10000;

std::string Code(int n, int width) {
  std::string text = std::to_string(n);
  return std::string(width - std::min<int>(width, text.size()), '0') + text;
}

server::ParametroTotem Record(const std::string& filial, const std::string& caixa, int variant) {
  server::ParametroTotem p;
  p.cdFilial = filial;
  p.cdCaixa = caixa;
  p["IDTIPEXTTOT"] = "2";
  p["IDEXIMSGSAL"] = "S";
  p["NRSEGFECTOT"] = std::to_string(30 + variant % 60);
  p["DSMSGINITOT"] = "Bem-vindo ao totem " + std::to_string(variant);
  p["IDSELLOJTOT"] = "N";
  p["IDINFCLIECAI"] = "S";
  return p;
}

// The chain, a record on every register but of another text than the
// source's, and a register (0001/002) with kSaves saves in its history.
void Fill(server::Store& store) {
  auto tx = store.BeginWrite();
  for (int f = 1; f <= g_branches; ++f) {
    const std::string filial = Code(f, 4);
    tx->UpsertFilial({filial, "Filial " + filial});
    for (int c = 1; c <= kRegistersPerBranch; ++c) {
      tx->UpsertCaixa({filial, Code(c, 3), "Caixa " + Code(c, 3), "LJ" + filial, "Loja " + filial});
      tx->UpsertParametro(Record(filial, Code(c, 3), f * 10 + c));
    }
  }
  server::GravacaoParametro g;
  g.depois = Record("0001", "002", 0);
  for (int n = 1; n <= kSaves; ++n) {
    g.antes = g.depois;
    g.depois["NRSEGFECTOT"] = std::to_string(n % 100);
    g.quando = server::UtcTimestamp();
    tx->AppendGravacao(g);
  }
  tx->Commit();
}

// 5,000 single saves in one transaction, each as setUpdParametros writes one.
double SingleSavesMs(server::Store& store, const server::ParametroTotem& source) {
  const auto t0 = Clock::now();
  auto tx = store.BeginWrite();
  for (int k = 0; k < kDestinations; ++k) {
    server::ParametroTotem p = source;
    p.cdFilial = Code(1 + k % g_branches, 4);
    p.cdCaixa = Code(4 + k / g_branches, 3);
    tx->LockCaixa(p.cdFilial, p.cdCaixa);
    server::GravacaoParametro g;
    g.antes = tx->CurrentParametro(p.cdFilial, p.cdCaixa);
    tx->UpsertParametro(p);
    g.depois = p;
    g.quando = server::UtcTimestamp();
    tx->AppendGravacao(g);
  }
  tx->Commit();
  return bench::Ms(Clock::now() - t0);
}

double TimeMs(const std::function<void()>& call) {
  const auto t0 = Clock::now();
  call();
  return bench::Ms(Clock::now() - t0);
}

void Row(const char* store, const char* measure, double value, const char* unit,
         double baseline = 0) {
  std::printf("%-11s %-48s %10.1f %-3s", store, measure, value, unit);
  if (baseline > 0) std::printf("  %.2fx the baseline", value / baseline);
  std::printf("\n");
}

void Measure(const char* name, const std::string& address) {
  auto store = server::OpenStore(address, true);
  std::fprintf(stderr, "%s: filling %d branches...\n", name, g_branches);
  Fill(*store);
  const server::ParametroTotem source = Record("0001", "001", -1);
  test::ServerProcess server({address, false, {}});
  SocketConnection connection;
  connection.SetHost(server.Host());
  connection.SetPort(server.Port());
  connection.SetServerName(std::string(contract::kServerName));
  connection.SetTimeout(std::chrono::seconds(120));
  service::RemoteParametrosClient client(connection);
  auto values = source.values;
  service::ParametrosRefs refs{};
  for (std::size_t i = 0; i < refs.size(); ++i) refs[i] = &values[i];
  client.setUpdParametros("0001", "001", refs);

  // Registers 001..003 of each branch serve the baseline's first 5,000
  // destinations elsewhere: the copy goes to registers 004 onwards.
  service::Destinos destinos;
  for (int k = 0; k < kDestinations; ++k)
    destinos.emplace_back(Code(1 + k % g_branches, 4), Code(8 + k / g_branches, 3));

  const double baseline = SingleSavesMs(*store, source);
  Row(name, "5,000 single saves in one transaction (baseline)", baseline, "ms");
  ResultEnvelope answer;
  const double preview = TimeMs([&] { answer = client.getCopiaPrevia("0001", "001", destinos); });
  if (!answer.ok) std::fprintf(stderr, "preview refused: %s\n", answer.message.c_str());
  Row(name, "getCopiaPrevia to 5,000 registers", preview, "ms", baseline);
  const double copy = TimeMs([&] { answer = client.setCopiaParametros("0001", "001", destinos); });
  if (!answer.ok) std::fprintf(stderr, "copy refused: %s\n", answer.message.c_str());
  Row(name, "setCopiaParametros to 5,000 registers", copy, "ms", baseline);

  // Taking that copy back, and its preview, against the same baseline.
  const std::string idCopia = answer.ok && answer.packet && !answer.packet->rows.empty() &&
                                      answer.packet->rows[0].size() > 2
                                  ? answer.packet->rows[0][2].value_or("")
                                  : "";
  const double undoPreview = TimeMs([&] { answer = client.getDesfazCopiaPrevia(idCopia); });
  if (!answer.ok) std::fprintf(stderr, "undo preview refused: %s\n", answer.message.c_str());
  Row(name, "getDesfazCopiaPrevia of 5,000 registers", undoPreview, "ms", baseline);
  const double undo = TimeMs([&] { answer = client.setDesfazCopia(idCopia); });
  if (!answer.ok) std::fprintf(stderr, "undo refused: %s\n", answer.message.c_str());
  Row(name, "setDesfazCopia of 5,000 registers", undo, "ms", baseline);

  // A restore against one save of the same register (0001/002, with
  // kSaves saves in its history), taken in turns so both meet the same
  // conditions (a checkpoint after the undo above, other work on the
  // machine); the median of 100 each.
  std::vector<double> saves, restores;
  for (int i = 0; i < 100; ++i) {
    values[5] = std::to_string(10 + i % 50);  // seconds
    saves.push_back(TimeMs([&] { client.setUpdParametros("0001", "002", refs); }));
    restores.push_back(TimeMs(
        [&] { answer = client.setRestauraParametros("0001", "002", std::to_string(kSaves - i)); }));
  }
  if (!answer.ok) std::fprintf(stderr, "restore refused: %s\n", answer.message.c_str());
  std::sort(saves.begin(), saves.end());
  std::sort(restores.begin(), restores.end());
  const double save = saves[saves.size() / 2];
  Row(name, "setUpdParametros, one save p50 (restore's baseline)", save, "ms");
  Row(name, "setRestauraParametros, one restore p50", restores[restores.size() / 2], "ms", save);

  std::vector<double> pages;
  for (int i = 0; i < 50; ++i)
    pages.push_back(TimeMs([&] { client.getHistParametros("0001", "002", "50", ""); }));
  std::sort(pages.begin(), pages.end());
  Row(name, "getHistParametros first page of 10,000 saves p50", pages[pages.size() / 2], "ms");
  Row(name, "getHistParametros first page of 10,000 saves max", pages.back(), "ms");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::string(argv[i]) == "--branches") g_branches = std::max(1, std::stoi(argv[++i]));
  test::TempDir dir;
  std::printf(
      "copy and history over %d branches x %d registers (targets: preview and copy "
      "under 2000 ms, first history page under 20 ms, undo of the copy under 2000 ms and its "
      "preview under 1000 ms, a restore at most 1.5x one save)\n",
      g_branches, kRegistersPerBranch);
  Measure("SQLite", "sqlite:" + dir.File("copy.db"));

  const std::string cluster = dir.File("cluster");
  test::RunProjectScript("pg-cluster start " + cluster);
  std::string conninfo;
  std::getline(std::ifstream(cluster + "/conninfo"), conninfo);
  try {
    Measure("PostgreSQL", "postgresql:" + conninfo);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "PostgreSQL: %s\n", e.what());
  }
  test::RunProjectScript("pg-cluster stop " + cluster);
  return 0;
}
