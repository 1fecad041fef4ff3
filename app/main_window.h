#pragma once
// The host application's main window: a multiple-document area and the menu
// entry that opens the kiosk parameter screen from its module.
#include "app/module_loader.h"

#include <QMainWindow>

class QMdiArea;

namespace totem::app {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QString modulePath, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Loads the module (once) and calls its IniProc; a failure is reported in
  // a message box with the module's path and the reason. True when the
  // screen opened.
  bool OpenTotem();
  // Closes the module's screens, runs its shut-down and unloads it.
  void UnloadModule();
  QMdiArea* MdiArea() const { return mdi_; }
  ModuleLoader& Loader() { return loader_; }

 protected:
  // The module screens close first; one that refuses (edits the person
  // keeps) keeps the host open.
  void closeEvent(QCloseEvent* event) override;

 private:
  QMdiArea* mdi_;
  ModuleLoader loader_;
};

// Why the loader could not load its module, as the host tells the user:
// the module's path and the reason. Empty when it loaded.
QString LoadErrorText(const ModuleLoader& loader);

}  // namespace totem::app
