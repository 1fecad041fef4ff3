#include "app/main_window.h"

#include "app/screen_fit.h"

#include "host/components/error_handling.h"
#include "host/components/host_windows.h"
#include "host/components/message_dlg.h"
#include "host/components/module_interface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>

namespace totem::app {

MainWindow::MainWindow(QString modulePath, QWidget* parent)
    : QMainWindow(parent), loader_(std::move(modulePath)) {
  setObjectName("backofficeMainWindow");
  setWindowTitle(QStringLiteral("Retaguarda"));
  mdi_ = new QMdiArea(this);
  mdi_->setObjectName("mdiArea");
  mdi_->setBackground(QColor(96, 104, 128));
  // A screen larger than the area (a scale set by hand) can still be
  // scrolled to; one that fits is kept in view as the area changes size.
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  KeepChildWindowsInView(mdi_);
  setCentralWidget(mdi_);
  // Module screens open in this area; the busy animation covers this window.
  host::SetHostWindows(this, mdi_);
  QMenu* menu = menuBar()->addMenu(QStringLiteral("&Módulos"));
  QAction* totem = menu->addAction(QStringLiteral("Parametrização do Sistema Totem"));
  totem->setObjectName("actionTotem");
  connect(totem, &QAction::triggered, this, [this] { OpenTotem(); });
  menu->addSeparator();
  connect(menu->addAction(QStringLiteral("&Sair")), &QAction::triggered, this, &QWidget::close);
  resize(kUsualWindow);
}

MainWindow::~MainWindow() { UnloadModule(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  for (QMdiSubWindow* screen : mdi_->subWindowList()) {
    if (screen->isVisible() && !screen->close()) {
      event->ignore();
      return;
    }
  }
  QMainWindow::closeEvent(event);
}

void MainWindow::UnloadModule() {
  // Screens of the module close and go before the module's code does.
  mdi_->closeAllSubWindows();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  for (auto* w : mdi_->subWindowList()) delete w;
  loader_.Unload();
}

QString LoadErrorText(const ModuleLoader& loader) {
  const QString& path = loader.Path();
  const QString& detail = loader.ErrorDetail();
  switch (loader.Error()) {
    case LoadError::None:
      return {};
    case LoadError::FileMissing:
      return QStringLiteral("Módulo não encontrado: %1").arg(path);
    case LoadError::NotLoadable:
      return QStringLiteral("Não foi possível carregar o módulo %1: %2").arg(path, detail);
    case LoadError::EntryMissing:
      return QStringLiteral("O módulo %1 não exporta a entrada %2.").arg(path, detail);
    case LoadError::OtherProtocol:
      return QStringLiteral("O módulo %1 usa a versão %2 do protocolo de módulos; esperada %3.")
          .arg(path, detail)
          .arg(host::kLoaderProtocol);
  }
  return {};
}

bool MainWindow::OpenTotem() {
  if (loader_.Load() != LoadError::None) {
    const QString text = LoadErrorText(loader_);
    host::MessageDlg(text, host::mtError, {host::mbOK}, 0);
    statusBar()->showMessage(text);
    return false;
  }
  const bool opened = host::RunGuarded([this] { loader_.IniProc(); });
  // The module leaves the wait cursor up when opening fails.
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  return opened;
}

}  // namespace totem::app
