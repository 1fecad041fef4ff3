// backoffice: the host application. Opens the kiosk parameter screen from
// its module, against the application server named in its settings.
//
//   backoffice [--server http://HOST:PORT] [--token T] [--ca-file F] [--module PATH]
//              [--open-totem] [--screenshot FILE [--page N]] [--version]
#include "app/main_window.h"

#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/touch/touch_provider.h"

#include "platform/version.h"

#include <QCommandLineParser>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
  totem::host::TotemApplication app(argc, argv);
  QApplication::setApplicationName("backoffice");
  QApplication::setOrganizationName("totem");
  QApplication::setApplicationVersion(QString::fromUtf8(totem::kVersion.data(), totem::kVersion.size()));
  // The touch dialogs answer every dialog the module's screens open.
  totem::touch::InstallTouchDialogs();

  QCommandLineParser parser;
  parser.setApplicationDescription("Retaguarda: Parametrização do Sistema Totem");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({"server", "Servidor de aplicação (http://HOST:PORTA).", "address"});
  parser.addOption({"token", "Token de acesso ao servidor de aplicação.", "token"});
  parser.addOption({"ca-file", "Certificado da autoridade que assina o servidor (https).", "file"});
  parser.addOption({"module", "Caminho do módulo Pkg_Ksl80500.", "path"});
  parser.addOption({"open-totem", "Abre a Parametrização do Sistema Totem ao iniciar."});
  parser.addOption({"screenshot", "Abre a tela, grava a janela em PNG e sai.", "file"});
  parser.addOption({"page", "Página mostrada na captura (0, 1 ou 2).", "n", "0"});
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
  window->show();

  if (parser.isSet("screenshot")) {
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
  if (parser.isSet("open-totem"))
    QTimer::singleShot(0, window, [window] { window->OpenTotem(); });
  const int code = app.exec();
  delete window;
  return code;
}
