// Choosing branches and moving through registers on the real screen, with a
// chain of 5,000 branches and 50,000 registers on a local server. Baseline
// in the same run: one getCarregaPar round trip with no screen.
//
//   build/bench/selection_bench [--rounds N]
#include "bench/timing.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/testing/scripted_dialogs.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <sqlite3.h>
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

using namespace totem;
using bench::Clock;
using bench::Median;
using bench::Ms;

namespace {

std::string Code(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04d", n);
  return buf;
}

void BuildChain(test::TempDir& dir, const std::string& db) {
  std::ofstream f(dir.File("filial.csv")), c(dir.File("caixa.csv"));
  f << "CDFILIAL,NMFILIAL\n";
  c << "CDFILIAL,CDCAIXA,NMCAIXA,CDLOJA,NMLOJA\n";
  for (int b = 1; b <= 5000; ++b) {
    f << Code(b) << ",Filial " << b << "\n";
    for (int r = 1; r <= 10; ++r)
      c << Code(b) << "," << (r < 10 ? "00" : "0") << r << ",Caixa " << r << "," << b << ",Loja "
        << b << "\n";
  }
  f.close();
  c.close();
  std::string out;
  test::ServerProcess::RunTool({"import", "--criar-banco", "--db", "sqlite:" + db,
                                dir.File("filial.csv"), dir.File("caixa.csv")},
                               &out);
  sqlite3* handle = nullptr;
  sqlite3_open(db.c_str(), &handle);
  sqlite3_exec(
      handle,
      "INSERT INTO parametro_totem (cdfilial, cdcaixa, idsellojtot, idtipexttot, ideximsgsal,"
      " nrdiainitot, nrdiafintot, nrsegfectot, dsmsginitot, idinfcliecai)"
      " SELECT cdfilial, cdcaixa, 'S', '2', 'N', '1', '28', '30', 'Bem-vindo', 'N' FROM caixa",
      nullptr, nullptr, nullptr);
  sqlite3_close(handle);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  host::TotemApplication app(argc, argv);
  const int rounds = bench::IntOption(argc, argv, "--rounds", 20);

  test::TempDir dir;
  const std::string db = dir.File("chain.db");
  BuildChain(dir, db);
  test::ServerProcess server({db, false, {}});
  test::AimHostAt(server.Host(), server.Port());
  test::ScriptedDialogs dialogs;
  host::ScopedDialogProvider scope(dialogs);

  // Baseline: one record read with no screen.
  std::vector<double> reads;
  {
    test::RemoteClient client(server.Host(), server.Port());
    for (int i = 0; i < 200; ++i) {
      auto t0 = Clock::now();
      client.rpc.getCarregaPar(Code(1 + i % 5000), "005");
      reads.push_back(Ms(Clock::now() - t0));
    }
  }

  std::vector<double> firsts, laters, moves;
  for (int round = 0; round < rounds; ++round) {
    form::TfrmParametroToten screen;
    auto pick = [&](int branch) {
      dialogs.PickWhere("CDFILIAL", Code(branch));
      auto t0 = Clock::now();
      screen.tcbFilialClick(screen.tcbFilial);
      return Ms(Clock::now() - t0);
    };
    firsts.push_back(pick(1 + (round * 37) % 5000));
    for (int i = 0; i < 5; ++i) laters.push_back(pick(1 + (round * 131 + i * 997) % 5000));
    for (int i = 0; i < 9; ++i) {
      auto t0 = Clock::now();
      screen.tcbProximoClick(screen.tcbProximo);
      moves.push_back(Ms(Clock::now() - t0));
    }
  }

  const double read = Median(reads);
  std::printf("branch and register selection, 5,000 branches / 50,000 registers (medians)\n");
  std::printf("%-48s %9.2f ms\n", "baseline: one getCarregaPar, no screen", read);
  std::printf("%-48s %9.2f ms  %7.1fx baseline\n", "first branch pick (list, filter, loads)",
              Median(firsts), Median(firsts) / read);
  std::printf("%-48s %9.2f ms  %7.1fx baseline\n", "later branch pick", Median(laters),
              Median(laters) / read);
  std::printf("%-48s %9.2f ms  %7.1fx baseline\n", "register move (after-scroll with read)",
              Median(moves), Median(moves) / read);
  return 0;
}
