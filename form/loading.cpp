// Bringing one register's parameter record onto the screen.
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "platform/column_names.h"

namespace totem::form {

std::array<TfrmParametroToten::RecordBinding, contract::kRecord.size()>
TfrmParametroToten::RecordBindings() {
  const struct {
    std::string_view field;
    RecordBinding binding;
  } rows[] = {
      {contract::col::IDTIPEXTTOT, {&stIdExtrato, nullptr}},
      {contract::col::CDGRUPPROD, {&stCdGrupProd, nullptr}},
      {contract::col::IDEXIMSGSAL, {&stIdExiMsg, nullptr}},
      {contract::col::NRDIAINITOT, {&stDiaIni, lblValDiaIni}},
      {contract::col::NRDIAFINTOT, {&stDiaFin, lblValDiaFin}},
      {contract::col::NRSEGFECTOT, {&stSegundos, lblValSeg}},
      {contract::col::DSMSGINITOT, {&stMenIni, lblValMenIni}},
      {contract::col::DSMSGADITOT, {&stMenAdi, lblValMenAdi}},
      {contract::col::IDSELLOJTOT, {&stSelLoja, nullptr}},
      {contract::col::IDINFCLIECAI, {&stIDINFCLIECAI, nullptr}},
      {contract::col::DSMSGCONTOT, {&stMenCon, lblValConTot}},
  };
  std::array<RecordBinding, contract::kRecord.size()> bindings{};
  for (const auto& row : rows) bindings.at(contract::RecordIndex(row.field).value()) = row.binding;
  return bindings;
}

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

  // Each value into its caption or, when it has none, its variable.
  const ClientDataset& par = *cdsCarregaPar;
  const auto bindings = RecordBindings();
  for (std::size_t i = 0; i < bindings.size(); ++i) {
    const std::string value = par.FieldAsString(contract::kRecord[i].column.name);
    if (bindings[i].caption)
      bindings[i].caption->setText(QtText(value));
    else
      *bindings[i].variable = value;
  }
  stNmGrupProd = par.FieldAsString(contract::kNmGrupProd.name);
  lblGrupProd->setText(QtText(stCdGrupProd + " - " + stNmGrupProd));

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

  // The store selection is "S" or "N" on the screen, whatever the record holds.
  stSelLoja = stSelLoja == "S" ? "S" : "N";
  SetToggle(tcbSelecLoja, stSelLoja == "S");
  SetToggle(tcbMensInf, stIdExiMsg == "S");
  SetToggle(tcbInfClie, stIDINFCLIECAI == "S");
}

}  // namespace totem::form
