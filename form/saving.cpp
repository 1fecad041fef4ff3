// Confirm and Cancel: the form's only marker of unsaved changes.
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "host/components/notice.h"
#include "platform/errors.h"

namespace totem::form {
void TfrmParametroToten::ControlBot(bool Enable) {
  tcbConfirma->setEnabled(Enable);
  tcbCancela->setEnabled(Enable);
}

void TfrmParametroToten::RetornaValVariaveis() {
  for (const RecordBinding& b : RecordBindings())
    if (b.caption) *b.variable = Utf8Text(b.caption->text());
}

void TfrmParametroToten::tcbConfirmaClick(QObject*) {
  RetornaValVariaveis();
  const std::string filial = FilialCode();
  const std::string caixa = CaixaCode();
  // The values on screen must belong to the register they would be saved
  // under: after a failed load they are another register's.
  if (!recordLoaded_ || filial != loadedFilial_ || caixa != loadedCaixa_) {
    ShowError(
        "Os parâmetros exibidos não pertencem ao caixa selecionado. "
        "Selecione o caixa novamente antes de confirmar.");
    throw SilentAbort();
  }
  // The sub-group statement needs a group code; a loaded empty group shows
  // " - " in the caption, so the code is what is checked.
  if (stIdExtrato == "3" && host::EmptyString(QtText(stCdGrupProd))) {
    ShowError(Utf8Text(msgPadrao->Msg("GRUP_INF")));
    throw SilentAbort();
  }
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    const DataPacket verified = host::CheckResultServ(server_->getVerifPar(filial, caixa), true, 0);
    // Nothing reads what the verify answers: a refusal raises above, and any
    // answer that is no refusal lets the save go on, even one that does not
    // fit the dataset.
    try {
      cdsVerifPar->SetData(verified);
    } catch (const DatasetError&) {
      cdsVerifPar->Clear();
    }
  }
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    service::ParametrosRefs refs{};
    const auto bindings = RecordBindings();
    for (std::size_t i = 0; i < refs.size(); ++i) refs[i] = bindings[i].variable;
    try {
      TouchCheckResultServ(server_->setUpdParametros(filial, caixa, refs), true, 0);
    } catch (const CallAbandoned&) {
      // The save was sent: the server may have stored it after all.
      throw CallAbandoned(
          "A gravação ficou sem resposta e a espera foi cancelada: os parâmetros podem ter sido "
          "gravados. Confira com Atualizar. As alterações continuam na tela.");
    }
  }
  ControlBot(false);
  // Saving changes nothing else on screen: a short word says it went through.
  host::ShowNotice(this, QStringLiteral("Parâmetros gravados."));
}

void TfrmParametroToten::tcbCancelaClick(QObject*) {
  const std::string filial = FilialCode();
  const std::string caixa = CaixaCode();
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    cdsCarregaPar->SetData(host::CheckResultServ(server_->getCarregaPar(filial, caixa), true, 0));
  }
  loadedFilial_ = filial;
  loadedCaixa_ = caixa;
  recordLoaded_ = true;
  PreencheValCampos(false);
  ControlBot(false);
}

}  // namespace totem::form
