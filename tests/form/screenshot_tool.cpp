// Renders the screen with a chosen branch and register to a PNG, for the
// screenshots in docs/screenshots. The branch search is answered by the
// tool instead of a person; everything else is the real screen against the
// real server.
//
//   screenshot_tool --server HOST:PORT --branch B --register R --page N --out FILE
//                   [--dialog keyboard|keypad|search]
// With --dialog, the real dialog the screen would open there is rendered
// over the screen instead.
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "form/touch/copy_dialog.h"
#include "form/touch/history_dialog.h"
#include "form/touch/undo_preview_dialog.h"
#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/components/host_windows.h"
#include "host/components/result_check.h"
#include "host/components/touch_button.h"
#include "host/testing/scripted_dialogs.h"
#include "host/touch/alpha_keyboard.h"
#include "host/touch/numeric_keypad.h"
#include "host/touch/search_list.h"
#include "service/dataset_fields.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLayout>
#include <QMainWindow>
#include <QMdiArea>

#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace totem;

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  host::TotemApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addOption({"server", "host:port", "address"});
  parser.addOption({"branch", "branch code", "code"});
  parser.addOption({"register", "register code", "code"});
  parser.addOption({"page", "page index", "n", "0"});
  parser.addOption({"out", "PNG file", "file"});
  parser.addOption({"dialog", "keyboard, keypad, search, copy or history", "kind"});
  parser.addOption({"preview", "with --dialog copy or history: the (restore) preview"});
  parser.process(app);

  host::HostSettings::Current().SetServer(
      host::ParseServerAddress(parser.value("server").toStdString()),
      host::SettingSource::CommandLine);
  test::ScriptedDialogs dialogs;
  host::ScopedDialogProvider scope(dialogs);

  QMainWindow window;
  auto* area = new QMdiArea(&window);
  area->setBackground(QColor(96, 104, 128));
  window.setCentralWidget(area);
  window.resize(1024, 768);
  window.show();
  host::SetHostWindows(&window, area);

  auto* screen = new form::TfrmParametroToten();
  screen->move((area->width() - screen->width()) / 2, (area->height() - screen->height()) / 2);
  screen->show();

  dialogs.PickWhere("CDFILIAL", parser.value("branch").toStdString());
  screen->tcbFilialClick(screen->tcbFilial);
  auto& caixas = *screen->cdsCaixa;
  const std::string wanted = parser.value("register").toStdString();
  for (caixas.First(); caixas.FieldAsString("CDCAIXA") != wanted && !caixas.Eof(); caixas.Next()) {
  }
  screen->ntbTot->SetPageIndex(parser.value("page").toInt());
  QApplication::processEvents();
  QPixmap picture = window.grab();
  const QString dialog = parser.value("dialog");
  std::unique_ptr<QDialog> open;
  if (dialog == "keyboard") {
    open = std::make_unique<touch::AlphaKeyboard>(screen->lblValMenIni->text(), QString(), 200,
                                                  &window);
  } else if (dialog == "keypad") {
    open = std::make_unique<touch::NumericKeypad>(screen->msgPadrao->Msg("DIAINI"), 2, &window);
  } else if (dialog == "copy") {
    // Every register of every branch offered; a branch checked; its preview.
    static auto filiais = service::MakeCdsFilial(), caixas = service::MakeCdsCaixa();
    filiais->SetData(host::CheckResultServ(screen->Server().getFilial()));
    caixas->SetData(host::CheckResultServ(screen->Server().getConfCaixa()));
    const std::string filial = screen->FilialEscolhida(),
                      caixa = screen->cdsCaixa->FieldAsString("CDCAIXA");
    auto copy = std::make_unique<form::CopyDialog>(
        CaixaKey{filial, caixa}, *filiais, *caixas,
        [&screen, filial, caixa](const form::Destinos& d) {
          return host::CheckResultServ(screen->Server().getCopiaPrevia(filial, caixa, d));
        },
        screen->FieldLabels(), &window);
    copy->SetChecked("0004", "", true);
    if (parser.isSet("preview")) copy->findChild<host::TTouchButton*>("key_next")->click();
    open = std::move(copy);
  } else if (dialog == "history") {
    // Two saves on the register, then its history.
    const std::string filial = screen->FilialEscolhida(),
                      caixa = screen->cdsCaixa->FieldAsString("CDCAIXA");
    for (const char* seconds : {"75", "90"}) {
      screen->lblValSeg->setText(seconds);
      screen->tcbConfirmaClick(nullptr);
    }
    // With --preview: what "Restaurar esta versão" on the first save shows.
    auto& server = screen->Server();
    form::UndoActions undo;
    undo.restauraPrevia = [&server, filial, caixa](const std::string& n) {
      return host::CheckResultServ(server.getRestauraPrevia(filial, caixa, n));
    };
    undo.restaura = [](const std::string&) {};
    if (parser.isSet("preview")) {
      open = std::make_unique<form::UndoPreviewDialog>(
          "Restaurar a gravação Nº 1",
          "O caixa volta aos valores que tinha logo depois desta gravação, numa gravação nova. "
          "Muda:",
          undo.restauraPrevia("1"), screen->FieldLabels(), "Restaurar", &window);
    } else {
      open = std::make_unique<form::HistoryDialog>(
          QString::fromStdString(filial + " / ") + screen->lblNmCaixa->text(),
          [&screen, filial, caixa](const QString& before) {
            return host::CheckResultServ(
                screen->Server().getHistParametros(filial, caixa, "50", before.toStdString()));
          },
          screen->FieldLabels(), &window, undo);
    }
  } else if (dialog == "search") {
    screen->cdsPesqGrupProd->SetData(host::CheckResultServ(screen->Server().getPesqGrupProd()));
    open = std::make_unique<touch::SearchList>(*screen->cdsPesqGrupProd, QString(), true, QString(),
                                               &window);
  }
  if (open) {
    // The dialog centred over the screen, as it opens for the user, as tall
    // as its wrapped texts need (the host application sees to that when a
    // window shows).
    open->adjustSize();
    if (QLayout* layout = open->layout(); layout && layout->hasHeightForWidth())
      open->resize(open->width(),
                   std::max(open->height(), layout->totalHeightForWidth(open->width())));
    open->show();
    QApplication::processEvents();
    QPainter painter(&picture);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 60));
    const QPixmap face = open->grab();
    painter.drawPixmap((picture.width() - face.width()) / 2, (picture.height() - face.height()) / 2,
                       face);
  }
  const bool saved = picture.save(parser.value("out"));
  std::fprintf(stderr, "screenshot_tool: %s %s\n", saved ? "wrote" : "could not write",
               qPrintable(parser.value("out")));
  return saved ? 0 : 1;
}
