// Choosing a branch, building its register list, moving through it and
// refreshing it.
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "platform/column_names.h"
#include "service/dataset_fields.h"

namespace totem::form {

void TfrmParametroToten::tcbFilialClick(QObject*) {
  cdsFilial->SetData(TouchCheckResultServ(server_->getFilial(), true, 0));
  cdsFilial->SetFiltered(false);
  if (Pesquisa(*cdsFilial, stTituloPesq, "S", "", false)) {
    lblNmFilial->setText(QtText(cdsFilial->FieldAsString(contract::col::CDFILIAL) + " - " +
                                cdsFilial->FieldAsString(contract::col::NMFILIAL)));
    PesqFilial(true);
  } else {
    lblNmFilial->setText(QString());
    PesqFilial(false);
  }
}

void TfrmParametroToten::PesqFilial(bool Found) {
  bool enable = Found;
  if (Found) {
    filialEscolhida_ = cdsFilial->FieldAsString(contract::col::CDFILIAL);
    enable = montacaixa();
    PreencheValCampos(true);
  }
  for (TTouchButton* b : {tcbPrx, tcbAnt, tcbPesquisar, tcbAtualizar, tcbAnterior, tcbProximo,
                          tcbPrimeiro, tcbUltimo})
    b->setEnabled(enable);
  // Copying and the history need a register, as navigating does.
  tcbCopiar->setEnabled(enable);
  tcbHistorico->setEnabled(enable);
}

bool TfrmParametroToten::montacaixa() {
  try {
    if (!boGetConf) {
      // Set before the read: a failed first read is not repeated by later
      // branch choices, only by the refresh button.
      boGetConf = true;
      cdsCaixa->SetData(TouchCheckResultServ(server_->getConfCaixa(), true, 0));
    }
    cdsCaixa->SetFiltered(false);
    // The branch code is quoted with its own quotes doubled, so a code holding
    // a quote can neither break nor widen the expression.
    cdsCaixa->SetFilter(service::CaixaFilterFor(FilialCode()));
    cdsCaixa->SetFiltered(true);
    if (cdsCaixa->IsEmpty()) {
      TouchMessageDlg(Utf8Text(msgPadrao->Msg("CAIXA_N")), mtError, {mbOK}, 0, 0, "");
      lblNmFilial->setText(QString());
      PesqFilial(false);
      return false;
    }
    return true;
  } catch (const SilentAbort&) {
    return false;
  } catch (const std::exception& e) {
    host::MessageDlg(QString::fromUtf8(e.what()), mtError, {mbOK}, 0);
    return false;
  }
}

void TfrmParametroToten::cdsCaixaAfterScroll(ClientDataset& DataSet) {
  lblNmCaixa->setText(QtText(DataSet.FieldAsString(contract::col::CDCAIXA) + "-" +
                             DataSet.FieldAsString(contract::col::NMCAIXA) + "-" +
                             DataSet.FieldAsString(contract::col::NMLOJA)));
  PreencheValCampos(true);
}

void TfrmParametroToten::tcbPrimeiroClick(QObject*) { cdsCaixa->First(); }
void TfrmParametroToten::tcbAnteriorClick(QObject*) { cdsCaixa->Prior(); }
void TfrmParametroToten::tcbProximoClick(QObject*) { cdsCaixa->Next(); }
void TfrmParametroToten::tcbUltimoClick(QObject*) { cdsCaixa->Last(); }

void TfrmParametroToten::tcbAtualizarClick(QObject*) {
  try {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    cdsCaixa->SetData(TouchCheckResultServ(server_->getConfCaixa(), true, 0));
  } catch (const SilentAbort&) {
  } catch (const std::exception& e) {
    // Shown once the animation is down.
    ShowError(e.what());
  }
}

void TfrmParametroToten::ShowError(const std::string& text) {
  TouchMessageDlg(text, mtError, {mbOK}, 0, 0, "");
}

std::string TfrmParametroToten::FilialCode() const { return filialEscolhida_; }
std::string TfrmParametroToten::CaixaCode() const {
  return cdsCaixa->FieldAsString(contract::col::CDCAIXA);
}

}  // namespace totem::form
