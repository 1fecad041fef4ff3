// Creation, connection, placement and closing of the screen.
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"

#include "host/components/error_handling.h"
#include "host/components/host_settings.h"
#include "host/components/trad.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>

#include <algorithm>

namespace totem::form {
namespace {
std::optional<QSize> g_screenOverride;
}

void TfrmParametroToten::SetScreenSizeOverride(std::optional<QSize> size) {
  g_screenOverride = size;
}

QSize TfrmParametroToten::ScreenSize() const {
  if (g_screenOverride) return *g_screenOverride;
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  return s ? s->geometry().size() : QSize(1024, 768);
}

TfrmParametroToten::TfrmParametroToten(QWidget* parent) : QMdiSubWindow(parent) {
  BuildControls();
  BindHandlers();
  server_ = std::make_unique<service::RemoteParametrosClient>(netToten);
  // A child window of the host's area from the start, so that its size
  // already counts the frame when the creation places it on a small screen.
  if (QMdiArea* area = host::HostMdiArea()) {
    area->addSubWindow(this);
    adjustSize();
  }
  move(kDesignLeft, kDesignTop);
  FormCreate(this);
}

TfrmParametroToten::~TfrmParametroToten() {
  // The grid must let go of the dataset before the dataset goes.
  if (dbgCaixa) dbgCaixa->SetDataset(nullptr);
  if (frmParametroToten == this) frmParametroToten = nullptr;
}

void TfrmParametroToten::FormCreate(QObject* Sender) {
  host::Trad(qobject_cast<QWidget*>(Sender));
  netToten.SetConnected(true);
  const QSize screenSize = ScreenSize();
  // Centred on a small screen, but never before its top left corner: a
  // screen wider or taller than the room starts there, where its title and
  // first controls show, and the rest is scrolled to, never out of reach.
  if (screenSize.width() < 800) move(std::max(0, (screenSize.width() - width()) / 2), y());
  if (screenSize.height() < 600) move(x(), std::max(0, (screenSize.height() - height()) / 2));
  cdsFilial->SetData(TouchCheckResultServ(server_->getFilial(), true, 0));
  boGetConf = false;
  ntbTot->SetPageIndex(0);
}

void TfrmParametroToten::FormActivate(QObject*) { update(); }

void TfrmParametroToten::netTotenBeforeConnect(QObject*) {
  netToten.SetHost(host::Norvexa::WebURL());
  netToten.SetPort(host::Norvexa::WebPort());
  netToten.SetToken(host::Norvexa::WebToken());
  netToten.SetCaFile(host::Norvexa::WebCaFile());
}

void TfrmParametroToten::spbSairClick(QObject*) {
  // The screen's own exit closes without asking, edits or not.
  closingBySair_ = true;
  close();
  closingBySair_ = false;
}

void TfrmParametroToten::tcbCancelarClick(QObject*) { close(); }

void TfrmParametroToten::FormClose(QObject*) {
  boIdCriado = false;
  netToten.SetConnected(false);
  deleteLater();
}

bool TfrmParametroToten::MayCloseWithEdits() {
  if (closingBySair_ || !tcbConfirma->isEnabled()) return true;
  return TouchMessageDlg("Há alterações não gravadas. Fechar assim mesmo?", host::mtConfirmation,
                         {host::mbYes, host::mbNo}, 0, 0, "") == host::mrYes;
}

void TfrmParametroToten::closeEvent(QCloseEvent* event) {
  // Closed from outside the screen (the host's window closing, the window
  // manager) with edits not saved: the person decides.
  bool mayClose = true;
  host::RunGuarded([&] { mayClose = MayCloseWithEdits(); });
  if (!mayClose) {
    event->ignore();
    return;
  }
  host::RunGuarded([this] { FormClose(this); });
  event->accept();
  QMdiSubWindow::closeEvent(event);
}

void TfrmParametroToten::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow())
    host::RunGuarded([this] { FormActivate(this); });
  QMdiSubWindow::changeEvent(event);
}

}  // namespace totem::form
