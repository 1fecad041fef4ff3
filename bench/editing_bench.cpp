// Confirm (verify and save), Cancel and a whole scripted editing pass on the
// real screen against a local demo server. Baseline in the same run: one
// getCarregaPar round trip with no screen.
//
//   build/bench/editing_bench [--rounds N]
#include "bench/timing.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/testing/scripted_dialogs.h"
#include "service/remote_parametros_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace totem;
using bench::Clock;
using bench::Median;
using bench::Ms;

namespace {}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  host::TotemApplication app(argc, argv);
  const int rounds = bench::IntOption(argc, argv, "--rounds", 30);

  test::TempDir dir;
  test::ServerProcess server({dir.File("edit.db"), true, {}});
  test::AimHostAt(server.Host(), server.Port());
  test::ScriptedDialogs dialogs;
  host::ScopedDialogProvider scope(dialogs);

  form::TfrmParametroToten screen;
  dialogs.PickWhere("CDFILIAL", "0001");
  screen.tcbFilialClick(nullptr);
  screen.tcbProximoClick(nullptr);

  std::vector<double> reads, confirms, cancels, passes;
  for (int i = 0; i < 200; ++i) {
    auto t0 = Clock::now();
    screen.Server().getCarregaPar("0001", "002");
    reads.push_back(Ms(Clock::now() - t0));
  }
  for (int i = 0; i < rounds; ++i) {
    auto t0 = Clock::now();
    screen.tcbConfirmaClick(nullptr);
    confirms.push_back(Ms(Clock::now() - t0));
    t0 = Clock::now();
    screen.tcbCancelaClick(nullptr);
    cancels.push_back(Ms(Clock::now() - t0));

    // The whole pass: every kind of value changed, then confirmed.
    t0 = Clock::now();
    dialogs.AnswerKeyboard(QStringLiteral("Olá %1").arg(i));
    screen.tcbMenIniClick(nullptr);
    dialogs.AnswerKeyboard("Adicional");
    screen.tcbMenAdiClick(nullptr);
    dialogs.AnswerKeyboard("Consumidor");
    screen.TouchButton1Click(nullptr);
    screen.tcbSubGruposClick(nullptr);
    dialogs.PickRow(i % 5);
    screen.tcbPesqRegraConsClick(nullptr);
    screen.tcbSelecLojaClick(nullptr);
    screen.tcbMensInfClick(nullptr);
    screen.tcbInfClieClick(nullptr);
    screen.tcbIntervalClick(nullptr);
    screen.lblValDiaIni->clear();
    screen.lblValDiaFin->clear();
    dialogs.AnswerQuantity(1 + i % 10);
    screen.tcbDiaIniClick(nullptr);
    dialogs.AnswerQuantity(20 + i % 10);
    screen.tcbDiaFinClick(nullptr);
    dialogs.AnswerQuantity(30 + i);
    screen.tcbSegundosClick(nullptr);
    screen.tcbConfirmaClick(nullptr);
    passes.push_back(Ms(Clock::now() - t0));
  }

  const double read = Median(reads);
  std::printf("editing and saving on the screen (%d rounds, medians)\n", rounds);
  std::printf("%-48s %9.2f ms\n", "baseline: one getCarregaPar, no screen", read);
  std::printf("%-48s %9.2f ms  %6.1fx baseline\n", "Confirm (verify + save, synced to disk)",
              Median(confirms), Median(confirms) / read);
  std::printf("%-48s %9.2f ms  %6.1fx baseline\n", "Cancel (read + redraw)", Median(cancels),
              Median(cancels) / read);
  std::printf("%-48s %9.2f ms  %6.1fx baseline\n", "whole scripted editing pass", Median(passes),
              Median(passes) / read);
  return 0;
}
