// The editing handlers of pages "Totem1" and "Totem2". Each changes the
// form's working copy and enables Confirm and Cancel; nothing reaches the
// server before Confirm.
#include "form/float_to_str.h"
#include "form/host_calls.h"
#include "form/module_state.h"
#include "form/parametro_toten_form.h"
#include "platform/column_names.h"

namespace totem::form {

// ---- the three messages ----

void TfrmParametroToten::EditMessage(QLabel* caption, std::string_view field) {
  // The keyboard counts against the record field's size, the server's limit.
  const int maxLength = contract::Field(field).column.size;
  stTextoDigitado = TecladoAlfanumerico(Utf8Text(caption->text()), "", maxLength);
  if (!host::EmptyString(QtText(stTextoDigitado))) {
    // "@" is the keyboard's way of saying "clear the text".
    caption->setText(stTextoDigitado == "@" ? QString() : QtText(stTextoDigitado));
  }
  ControlBot(true);
}

void TfrmParametroToten::ShowWholeText(QLabel* display, QLabel* label) {
  if (display->text().isEmpty()) return;
  // The label's access-key marker ("&Filial") is not part of its name.
  const QString name = label->text().remove(QLatin1Char('&'));
  TouchMessageDlg(Utf8Text(name + QStringLiteral(":\n\n") + display->text()), host::mtInformation,
                  {mbOK}, 0, 0, "");
}

void TfrmParametroToten::tcbMenIniClick(QObject*) {
  EditMessage(lblValMenIni, contract::col::DSMSGINITOT);
}
void TfrmParametroToten::tcbMenAdiClick(QObject*) {
  EditMessage(lblValMenAdi, contract::col::DSMSGADITOT);
}
void TfrmParametroToten::TouchButton1Click(QObject*) {
  EditMessage(lblValConTot, contract::col::DSMSGCONTOT);
}

// ---- statement type: one radio group of three buttons ----

void TfrmParametroToten::ChooseStatementType(int type) {
  stIdExtrato = std::to_string(type);
  SetToggle(tcbExtrato, type == 1);
  SetToggle(tcbExtrDel, type == 2);
  SetToggle(tcbSubGrupos, type == 3);
  spdGrupProd->setEnabled(type == 3);
  lblDescGprod->setEnabled(type == 3);
  tcbSelecLoja->setEnabled(type != 1);
  lblSelecLoja->setEnabled(type != 1);
  if (type != 3) {
    // Only the sub-group statement uses a product group.
    stCdGrupProd.clear();
    stNmGrupProd.clear();
    lblGrupProd->setText(QString());
  }
  if (type == 1) {
    stSelLoja = "N";
    SetToggle(tcbSelecLoja, false);
  }
  ControlBot(true);
}

void TfrmParametroToten::tcbExtratoClick(QObject*) { ChooseStatementType(1); }
void TfrmParametroToten::tcbExtrDelClick(QObject*) { ChooseStatementType(2); }
void TfrmParametroToten::tcbSubGruposClick(QObject*) { ChooseStatementType(3); }

// ---- product group ----

void TfrmParametroToten::tcbPesqRegraConsClick(QObject*) {
  {
    host::BusyAnimation busy(MainForm(), host::TShowAvi::Server);
    cdsPesqGrupProd->SetData(host::CheckResultServ(server_->getPesqGrupProd(), true, 0));
  }

  if (!Pesquisa(*cdsPesqGrupProd, stTituloPesq, "S", "", false) || cdsPesqGrupProd->IsEmpty()) {
    lblGrupProd->setText(QString());
    stNmGrupProd.clear();
    stCdGrupProd.clear();
  } else {
    stCdGrupProd = cdsPesqGrupProd->FieldAsString(contract::col::CDGRUPPROD);
    stNmGrupProd = cdsPesqGrupProd->FieldAsString(contract::col::NMGRUPPROD);
    lblGrupProd->setText(QtText(stCdGrupProd + " - " + stNmGrupProd));
  }
  ControlBot(true);
}

// ---- the three yes/no options ----

void TfrmParametroToten::FlipFlag(std::string& flag, TTouchButton* button) {
  // "S" becomes "N"; anything else, the empty text included, becomes "S".
  flag = flag == "S" ? "N" : "S";
  SetToggle(button, flag == "S");
  ControlBot(true);
}

void TfrmParametroToten::tcbSelecLojaClick(QObject*) { FlipFlag(stSelLoja, tcbSelecLoja); }
void TfrmParametroToten::tcbMensInfClick(QObject*) { FlipFlag(stIdExiMsg, tcbMensInf); }
void TfrmParametroToten::tcbInfClieClick(QObject*) { FlipFlag(stIDINFCLIECAI, tcbInfClie); }

// ---- consultation period: current month or an interval of days ----

void TfrmParametroToten::ChoosePeriod(bool interval) {
  SetToggle(tcbInterval, interval);
  SetToggle(tcbCorrente, !interval);
  tcbDiaFin->setEnabled(interval);
  tcbDiaIni->setEnabled(interval);
  if (!interval) {
    // The current month is stored as two empty days.
    lblValDiaIni->setText(QString());
    lblValDiaFin->setText(QString());
  }
  ControlBot(true);
}

void TfrmParametroToten::tcbCorrenteClick(QObject*) { ChoosePeriod(false); }
void TfrmParametroToten::tcbIntervalClick(QObject*) { ChoosePeriod(true); }

// ---- the two days ----

void TfrmParametroToten::EditDay(QLabel* caption, QLabel* otherCaption, std::string& variable,
                                 const char* promptKey, bool isFirstDay) {
  // Asks until a value passes or the keypad is cancelled.
  while (true) {
    const double value = InfoQuantidade(Utf8Text(msgPadrao->Msg(promptKey)), 1, "2");
    if (value < 0) break;  // cancelled: the old day stays
    if (value > 31 || value < 1) {
      ShowError(Utf8Text(msgPadrao->Msg("DTINF")));
      continue;
    }
    const QString other = otherCaption->text();
    if (!host::EmptyString(other)) {
      bool numeric = false;
      const double bound = other.trimmed().toDouble(&numeric);
      // A day that is not a number sets no bound.
      if (numeric && (isFirstDay ? value > bound : value < bound)) {
        ShowError(Utf8Text(msgPadrao->Msg(isFirstDay ? "DTMENOR" : "DTMAIOR")));
        continue;
      }
    }
    variable = FloatToStr(value);
    caption->setText(QtText(variable));
    break;
  }
  ControlBot(true);
}

void TfrmParametroToten::tcbDiaIniClick(QObject*) {
  EditDay(lblValDiaIni, lblValDiaFin, stDiaIni, "DIAINI", true);
}

void TfrmParametroToten::tcbDiaFinClick(QObject*) {
  EditDay(lblValDiaFin, lblValDiaIni, stDiaFin, "DIAFIN", false);
}

// ---- seconds to close a consultation ----

void TfrmParametroToten::tcbSegundosClick(QObject*) {
  const double value = InfoQuantidade(Utf8Text(msgPadrao->Msg("TEMPO")), 1, "5");
  if (value < 0) {
    stSegundos = Utf8Text(lblValSeg->text());
  } else {
    stSegundos = FloatToStr(value);
    lblValSeg->setText(QtText(stSegundos));
  }
  ControlBot(true);
}

}  // namespace totem::form
