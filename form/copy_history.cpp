// Beyond the register on screen: copying its settings to other registers,
// and the history of its saves. Both open the screen's own touch dialogs
// (form/touch); the server does the comparing and the copying.
#include "form/host_calls.h"
#include "form/parametro_toten_form.h"
#include "form/touch/register_dialogs.h"
#include "platform/column_names.h"
#include "platform/errors.h"
#include "service/dataset_fields.h"

namespace totem::form {
namespace {

// Saves asked for per page of the history.
constexpr int kHistoryPage = 50;

QString Counted(long n, const char* one, const char* many) {
  return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

}  // namespace

FieldLabels TfrmParametroToten::FieldLabels() const {
  return {{contract::col::IDTIPEXTTOT, QStringLiteral("Tipo de extrato")},
          {contract::col::CDGRUPPROD, lblDescGprod->text()},
          {contract::col::IDEXIMSGSAL, lblMensInf->text()},
          {contract::col::NRDIAINITOT, Label5->text()},
          {contract::col::NRDIAFINTOT, Label4->text()},
          {contract::col::NRSEGFECTOT, lblFecCons->text() + QStringLiteral(" (segundos)")},
          {contract::col::DSMSGINITOT, lblMsgIni->text()},
          {contract::col::DSMSGADITOT, lblMsgAdi->text()},
          {contract::col::IDSELLOJTOT, lblSelecLoja->text()},
          {contract::col::IDINFCLIECAI, lblInfClie->text()},
          {contract::col::DSMSGCONTOT, lblMsgCon->text()}};
}

void TfrmParametroToten::RequireShownRegister() {
  if (!recordLoaded_ || CaixaCode().empty() || FilialCode() != loadedFilial_ ||
      CaixaCode() != loadedCaixa_) {
    ShowError("Escolha um caixa na lista antes.");
    throw SilentAbort();
  }
}

void TfrmParametroToten::tcbCopiarClick(QObject*) {
  RequireShownRegister();
  // The copy takes what is stored: edits on screen would not go with it.
  if (tcbConfirma->isEnabled()) {
    ShowError("Confirme ou cancele as alterações deste caixa antes de copiar os parâmetros.");
    throw SilentAbort();
  }
  const std::string filial = FilialCode(), caixa = CaixaCode();
  auto filiais = service::MakeCdsFilial();
  auto caixas = service::MakeCdsCaixa();
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    filiais->SetData(TouchCheckResultServ(server_->getFilial(), true, 0));
    caixas->SetData(TouchCheckResultServ(server_->getConfCaixa(), true, 0));
  }
  const CopyPreview preview = [&](const Destinos& destinos) {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    return host::CheckResultServ(server_->getCopiaPrevia(filial, caixa, destinos), true, 0);
  };
  const Destinos destinos = CurrentRegisterDialogs().CopiaParametros(
      {filial, caixa}, *filiais, *caixas, preview, FieldLabels());
  if (destinos.empty()) return;  // cancelled: nothing written
  auto counts = service::MakeCdsCopia();
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Copy);
    try {
      counts->SetData(
          TouchCheckResultServ(server_->setCopiaParametros(filial, caixa, destinos), true, 0));
    } catch (const CallAbandoned&) {
      throw CallAbandoned(
          "A cópia ficou sem resposta e a espera foi cancelada: ela pode ter sido feita. "
          "Confira no histórico dos caixas de destino.");
    }
  }
  const long changed = std::stol("0" + counts->FieldAsString(contract::col::NRALTERADOS));
  const long equal = std::stol("0" + counts->FieldAsString(contract::col::NRIGUAIS));
  QString said =
      QStringLiteral("Cópia concluída: ") + Counted(changed, "caixa alterado", "caixas alterados");
  if (equal > 0)
    said += QStringLiteral(", ") + Counted(equal, "já estava igual", "já estavam iguais");
  TouchMessageDlg(Utf8Text(said + QLatin1Char('.')), host::mtInformation, {mbOK}, 0, 0, "");
}

void TfrmParametroToten::tcbHistoricoClick(QObject*) {
  RequireShownRegister();
  const std::string filial = FilialCode(), caixa = CaixaCode();
  const HistoryPage page = [&](const QString& antesDe) {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Search);
    return host::CheckResultServ(
        server_->getHistParametros(filial, caixa, std::to_string(kHistoryPage), Utf8Text(antesDe)),
        true, 0);
  };
  QString said;
  CurrentRegisterDialogs().HistoricoParametros(QtText(filial + " / ") + lblNmCaixa->text(), page,
                                               FieldLabels(), UndoFromHistory(filial, caixa, said));
  if (said.isEmpty()) return;
  tcbCancelaClick(nullptr);  // the page shows the values put back
  TouchMessageDlg(Utf8Text(said), host::mtInformation, {mbOK}, 0, 0, "");
}

}  // namespace totem::form
