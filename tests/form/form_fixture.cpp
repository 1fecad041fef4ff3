#include "tests/form/form_fixture.h"

#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "host/components/host_settings.h"

#include <QApplication>

namespace totem::test {

TempDir* ScreenTest::dir_ = nullptr;
ServerProcess* ScreenTest::server_ = nullptr;

void ScreenTest::SetUpTestSuite() {
  dir_ = new TempDir;
  server_ = new ServerProcess({dir_->File("screen.db"), true, {}});
}

void ScreenTest::TearDownTestSuite() {
  delete server_;
  server_ = nullptr;
  delete dir_;
  dir_ = nullptr;
}

void ScreenTest::AimAt(const std::string& host, int port) { AimHostAt(host, port); }

void ScreenTest::AimAtServer() { AimAt(server_->Host(), server_->Port()); }

void ScreenTest::SetUp() {
  scope_ = std::make_unique<host::ScopedDialogProvider>(dialogs_);
  AimAtServer();
  form::TfrmParametroToten::SetScreenSizeOverride(std::nullopt);
}

void ScreenTest::TearDown() {
  if (frmParametroToten) delete frmParametroToten;
  frmParametroToten = nullptr;
  boIdCriado = false;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  scope_.reset();
}

}  // namespace totem::test
