// Bringing one register's parameter record onto the screen.
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"

namespace totem::form {

void TfrmParametroToten::SetToggle(TTouchButton* button, bool on) {
  button->SetGlyph(on ? imgMarcado.Picture : imgClear.Picture);
}

void TfrmParametroToten::PreencheValCampos(bool Load) {
  if (Load) {
    const std::string filial = FilialCode();
    const std::string caixa = CaixaCode();
    try {
      cdsCarregaPar->SetData(host::CheckResultServ(server_->getCarregaPar(filial, caixa), true, 0));
      loadedFilial_ = filial;
      loadedCaixa_ = caixa;
      recordLoaded_ = true;
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
      // The previous record stays on screen; Confirm refuses to save it under
      // this register (see LoadedFilial/LoadedCaixa).
      ShowError(e.what());
    }
  }

  const ClientDataset& par = *cdsCarregaPar;
  lblValMenIni->setText(QtText(par.FieldAsString("DSMSGINITOT")));
  lblValMenAdi->setText(QtText(par.FieldAsString("DSMSGADITOT")));
  lblValDiaIni->setText(QtText(par.FieldAsString("NRDIAINITOT")));
  lblValDiaFin->setText(QtText(par.FieldAsString("NRDIAFINTOT")));
  lblValSeg->setText(QtText(par.FieldAsString("NRSEGFECTOT")));
  lblValConTot->setText(QtText(par.FieldAsString("DSMSGCONTOT")));

  stCdGrupProd = par.FieldAsString("CDGRUPPROD");
  stNmGrupProd = par.FieldAsString("NMGRUPPROD");
  lblGrupProd->setText(QtText(stCdGrupProd + " - " + stNmGrupProd));

  stIdExtrato = par.FieldAsString("IDTIPEXTTOT");
  stIdExiMsg = par.FieldAsString("IDEXIMSGSAL");
  stIDINFCLIECAI = par.FieldAsString("IDINFCLIECAI");

  // Period: both days empty means the current month.
  const bool interval =
      !host::EmptyString(lblValDiaIni->text()) || !host::EmptyString(lblValDiaFin->text());
  SetToggle(tcbInterval, interval);
  SetToggle(tcbCorrente, !interval);
  tcbDiaIni->setEnabled(interval);
  tcbDiaFin->setEnabled(interval);

  // Statement type. Any other text (empty included) ticks none of the
  // three, so the screen never shows a type the record does not hold; the
  // enabling of the group and the store selection stays as it was.
  struct TypeRow {
    const char* type;
    bool simple, detailed, subGroups, groupEnabled, storeEnabled;
  };
  static const TypeRow kTypes[] = {{"1", true, false, false, false, false},
                                   {"2", false, true, false, false, true},
                                   {"3", false, false, true, true, true}};
  SetToggle(tcbExtrato, false);
  SetToggle(tcbExtrDel, false);
  SetToggle(tcbSubGrupos, false);
  for (const TypeRow& row : kTypes) {
    if (stIdExtrato != row.type) continue;
    SetToggle(tcbExtrato, row.simple);
    SetToggle(tcbExtrDel, row.detailed);
    SetToggle(tcbSubGrupos, row.subGroups);
    spdGrupProd->setEnabled(row.groupEnabled);
    lblDescGprod->setEnabled(row.groupEnabled);
    tcbSelecLoja->setEnabled(row.storeEnabled);
    lblSelecLoja->setEnabled(row.storeEnabled);
  }

  stSelLoja = par.FieldAsString("IDSELLOJTOT") == "S" ? "S" : "N";
  SetToggle(tcbSelecLoja, stSelLoja == "S");
  SetToggle(tcbMensInf, stIdExiMsg == "S");
  SetToggle(tcbInfClie, stIDINFCLIECAI == "S");
}

}  // namespace totem::form
