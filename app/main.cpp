// backoffice: the host application. Opens the kiosk parameter screen from
// its module, against the application server named in its settings.
//
//   backoffice [--server http://HOST:PORT] [--token T] [--ca-file F] [--module PATH]
//              [--open-totem] [--fullscreen] [--screenshot FILE [--page N]] [--version]
#include "app/main_window.h"
#include "app/screen_fit.h"

#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/components/server_wait.h"
#include "host/components/touch_style.h"
#include "host/touch/touch_provider.h"

#include "platform/version.h"

#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>

namespace {

// The options, described once for both parsings below.
void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription("Retaguarda: Parametrização do Sistema Totem");
  // Answered before the application exists (below), so not Qt's own.
  parser.addOption({{"h", "help"}, "Mostra esta ajuda e sai."});
  parser.addOption({{"v", "version"}, "Mostra a versão e sai."});
  parser.addOption({"server", "Servidor de aplicação (http://HOST:PORTA).", "endereço"});
  parser.addOption({"token", "Token de acesso ao servidor de aplicação.", "token"});
  parser.addOption(
      {"ca-file", "Certificado da autoridade que assina o servidor (https).", "arquivo"});
  parser.addOption({"module", "Caminho do módulo Pkg_Ksl80500.", "caminho"});
  parser.addOption({"open-totem", "Abre a Parametrização do Sistema Totem ao iniciar."});
  parser.addOption({"fullscreen", "Tela cheia, para terminais de toque (sem moldura de janela)."});
  parser.addOption({"screenshot", "Abre a tela, grava a janela em PNG e sai.", "arquivo"});
  parser.addOption({"page", "Página mostrada na captura (0, 1 ou 2).", "n", "0"});
}

// --help and --version are answered before the GUI application exists,
// which needs a display: they must work without one (over ssh, and for
// help2man, which makes the manual page from them at build time). Qt's own
// options (-platform ...) are unknown here: mistakes are left to the full
// parsing, once the application has taken Qt's.
bool AnsweredWithoutDisplay(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.parse(arguments);
  QString text;
  // Qt's headings, said in the help's language, and the program's name,
  // which Qt knows only from an application.
  if (parser.isSet("help"))
    text = parser.helpText()
               .replace("Usage: <executable_name> [options]", "Uso: backoffice [opções]")
               .replace("\nOptions:\n", "\nOpções:\n");
  else if (parser.isSet("version"))
    text =
        QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion() + "\n";
  else
    return false;
  std::fputs(text.toUtf8().constData(), stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName("backoffice");
  QCoreApplication::setOrganizationName("totem");
  QCoreApplication::setApplicationVersion(
      QString::fromUtf8(totem::kVersion.data(), totem::kVersion.size()));
  if (AnsweredWithoutDisplay(argc, argv)) return 0;

  totem::host::TotemApplication app(argc, argv);
  // On a screen smaller than the screens are laid out for, every screen and
  // dialog is drawn smaller by one factor.
  totem::host::SetTouchScale(totem::app::ScreenScale());
  totem::host::InstallFingerScrollBars();
  totem::app::KeepWindowsOnScreen();
  // The screen stays drawn while the server is slow, with a way out.
  totem::host::EnableServerWait(true);
  // The touch dialogs answer every dialog the module's screens open.
  totem::touch::InstallTouchDialogs();

  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.process(app);

  try {
    QSettings file(totem::host::DefaultSettingsFilePath(), QSettings::IniFormat);
    totem::host::HostSettings::Current().Set(totem::host::LoadHostSettings(
        QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(), file));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "backoffice: %s\n", e.what());
    return 2;
  }

  const QString modulePath =
      parser.isSet("module") ? parser.value("module") : totem::app::DefaultModulePath();
  auto* window = new totem::app::MainWindow(modulePath);

  if (parser.isSet("screenshot")) {
    window->show();
    const bool opened = window->OpenTotem();
    if (auto* notebook = window->findChild<QStackedWidget*>("ntbTot"))
      notebook->setCurrentIndex(parser.value("page").toInt());
    QApplication::processEvents();
    const bool saved = window->grab().save(parser.value("screenshot"));
    std::fprintf(stderr, "backoffice: %s %s\n", saved ? "screenshot written to" : "could not write",
                 qPrintable(parser.value("screenshot")));
    delete window;
    return opened && saved ? 0 : 1;
  }
  totem::app::ShowFitted(window, totem::host::HostSettings::Current().Values().fullScreen);
  if (parser.isSet("open-totem")) QTimer::singleShot(0, window, [window] { window->OpenTotem(); });
  const int code = app.exec();
  delete window;
  return code;
}
