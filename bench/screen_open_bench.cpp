// Time from IniProc to the screen shown with the branch list loaded, against
// a local demo server, and the host's resident memory with the screen open.
// Baselines in the same run: opening a connection and reading the branch
// list without any screen, and the host's memory before the module loads.
//
//   build/bench/screen_open_bench [--rounds N]
#include "app/main_window.h"
#include "bench/timing.h"
#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/testing/scripted_dialogs.h"
#include "tests/support/remote_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace totem;
using bench::Clock;
using bench::Median;
using bench::Ms;

namespace {

double ResidentMiB() {
  QFile status("/proc/self/status");
  status.open(QIODevice::ReadOnly);
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024.0;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  host::TotemApplication app(argc, argv);
  const int rounds = bench::IntOption(argc, argv, "--rounds", 20);

  test::TempDir dir;
  test::ServerProcess server({dir.File("open.db"), true, {}});
  test::AimHostAt(server.Host(), server.Port());

  std::vector<double> bare;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    test::RemoteClient client(server.Host(), server.Port());
    client.connection.Open();
    client.rpc.getFilial();
    bare.push_back(Ms(Clock::now() - t0));
  }

  app::MainWindow window(app::DefaultModulePath());
  window.show();
  QApplication::processEvents();
  const double before = ResidentMiB();
  std::vector<double> opens;
  double withScreen = 0;
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    if (!window.OpenTotem()) return 1;
    QApplication::processEvents();  // the screen painted
    opens.push_back(Ms(Clock::now() - t0));
    if (i == rounds - 1) withScreen = ResidentMiB();
    window.MdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  const double bareMs = Median(bare);
  const double openMs = Median(opens);
  std::printf("screen opening (%d rounds, medians)\n", rounds);
  std::printf("%-52s %9.2f ms\n", "baseline: connect + getFilial, no screen", bareMs);
  std::printf("%-52s %9.2f ms  %6.2fx baseline\n", "IniProc to screen shown with branch list",
              openMs, openMs / bareMs);
  std::printf("%-52s %9.2f ms\n", "first opening (module load included)", opens.front());
  std::printf("%-52s %9.1f MiB\n", "host resident memory before the module", before);
  std::printf("%-52s %9.1f MiB  %6.2fx before\n", "host resident memory with the screen open",
              withScreen, withScreen / before);
  return 0;
}
