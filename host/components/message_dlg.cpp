#include "host/components/message_dlg.h"

#include "host/components/dialog_provider.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <map>

namespace totem::host {

std::vector<TMsgDlgBtn> TMsgDlgButtons::InOrder() const {
  // No help system exists, so a help button would do nothing: it is left out.
  static constexpr TMsgDlgBtn kOrder[] = {mbYes,    mbNo,  mbOK,      mbCancel,   mbAbort, mbRetry,
                                          mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbClose};
  std::vector<TMsgDlgBtn> out;
  for (TMsgDlgBtn b : kOrder)
    if (Contains(b)) out.push_back(b);
  if (out.empty()) out.push_back(mbOK);
  return out;
}

int ModalResultOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return mrYes;
    case mbNo:
      return mrNo;
    case mbOK:
      return mrOk;
    case mbCancel:
      return mrCancel;
    case mbAbort:
      return mrAbort;
    case mbRetry:
      return mrRetry;
    case mbIgnore:
      return mrIgnore;
    case mbAll:
      return mrAll;
    case mbNoToAll:
      return mrNoToAll;
    case mbYesToAll:
      return mrYesToAll;
    case mbHelp:
      return mrNone;
    case mbClose:
      return mrClose;
  }
  return mrNone;
}

QString ButtonCaption(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
      return QStringLiteral("&Sim");
    case mbNo:
      return QStringLiteral("&Não");
    case mbOK:
      return QStringLiteral("OK");
    case mbCancel:
      return QStringLiteral("Cancelar");
    case mbAbort:
      return QStringLiteral("&Abortar");
    case mbRetry:
      return QStringLiteral("&Repetir");
    case mbIgnore:
      return QStringLiteral("&Ignorar");
    case mbAll:
      return QStringLiteral("&Todos");
    case mbNoToAll:
      return QStringLiteral("Não para todos");
    case mbYesToAll:
      return QStringLiteral("Sim para todos");
    case mbHelp:
      return QStringLiteral("Aj&uda");
    case mbClose:
      return QStringLiteral("&Fechar");
  }
  return {};
}

QString DialogCaption(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return QStringLiteral("Atenção");
    case mtError:
      return QStringLiteral("Erro");
    case mtInformation:
      return QStringLiteral("Informação");
    case mtConfirmation:
      return QStringLiteral("Confirmação");
    case mtCustom:
      break;
  }
  return QApplication::applicationDisplayName();
}

int MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  return Dialogs().MessageDlg(text, type, buttons, helpCtx);
}

namespace {

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case mtWarning:
      return QMessageBox::Warning;
    case mtError:
      return QMessageBox::Critical;
    case mtInformation:
      return QMessageBox::Information;
    case mtConfirmation:
      return QMessageBox::Question;
    case mtCustom:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::ButtonRole RoleOf(TMsgDlgBtn button) {
  switch (button) {
    case mbYes:
    case mbYesToAll:
    case mbAll:
      return QMessageBox::YesRole;
    case mbNo:
    case mbNoToAll:
      return QMessageBox::NoRole;
    case mbOK:
      return QMessageBox::AcceptRole;
    case mbCancel:
    case mbAbort:
    case mbClose:
      return QMessageBox::RejectRole;
    default:
      return QMessageBox::ActionRole;
  }
}

}  // namespace

int ShowStandardMessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons, int) {
  QMessageBox box(IconOf(type), DialogCaption(type), text, QMessageBox::NoButton,
                  QApplication::activeWindow());
  box.setObjectName(QStringLiteral("standardMessageDlg"));
  std::map<QAbstractButton*, int> results;
  const auto order = buttons.InOrder();
  for (TMsgDlgBtn b : order) {
    QPushButton* button = box.addButton(ButtonCaption(b), RoleOf(b));
    button->setObjectName(QStringLiteral("button%1").arg(static_cast<int>(b)));
    results[button] = ModalResultOf(b);
    if (b == order.front()) box.setDefaultButton(button);
    if (b == mbCancel || order.size() == 1) box.setEscapeButton(button);
  }
  box.exec();
  auto it = results.find(box.clickedButton());
  return it == results.end() ? mrCancel : it->second;
}

}  // namespace totem::host
