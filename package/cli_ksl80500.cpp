// The module's unit: start-up, shut-down and the single-instance rule of the
// kiosk parameter screen.
#include "package/cli_ksl80500.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"

#include <QApplication>
#include <QCursor>
#include <QMdiArea>

#include <algorithm>

namespace totem::package {
namespace {

int g_initializations = 0;

const char* const kRequires[] = {"_nrv", "Pkg_Ksl00000", nullptr};
const TotemPackageInfo kInfo = {"Pkg_Ksl80500", "Cli_Ksl80500", kRequires, host::kLoaderProtocol};

}  // namespace

void Initialize() {
  if (g_initializations++ == 0) form::UnitStartup();
}

void Finalize() {
  if (g_initializations == 0) return;
  if (--g_initializations == 0) form::UnitShutdown();
}

int InitializationCount() { return g_initializations; }

const TotemPackageInfo* PackageInfo() { return &kInfo; }

void CtrlParametroToten() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (!boIdCriado) {
    // A failure here (server down, branch list refused) leaves the flag
    // false and goes on to the host, which reports it. The form joins the
    // host's area itself, before its creation places it.
    auto* form = new form::TfrmParametroToten(nullptr);
    frmParametroToten = form;
    // The screen opens centred in the host's area, unless its creation
    // placed it for a small screen.
    if (QMdiArea* area = form->mdiArea();
        area && form->pos() == QPoint(form::TfrmParametroToten::kDesignLeft,
                                      form::TfrmParametroToten::kDesignTop))
      form->move(std::max(0, (area->width() - form->width()) / 2),
                 std::max(0, (area->height() - form->height()) / 2));
    boIdCriado = true;
  }
  frmParametroToten->show();
  frmParametroToten->raise();
  if (auto* area = frmParametroToten->mdiArea()) area->setActiveSubWindow(frmParametroToten);
  QApplication::restoreOverrideCursor();
}

}  // namespace totem::package
