#pragma once
// The kiosk parameter screen: branch and register selection on page "Totem",
// the register's parameters on pages "Totem1" and "Totem2", the command
// column and the navigation bar. Controls carry the names the handlers use.
#include "form/notebook.h"
#include "form/touch/register_dialogs.h"
#include "host/components/messages.h"
#include "host/components/net_connection.h"
#include "host/components/sort_grid.h"
#include "host/components/touch_button.h"
#include "platform/client_dataset.h"
#include "platform/parametros_contract.h"
#include "service/remote_parametros_client.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QPixmap>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QFrame;

namespace totem::form {

using host::TTouchButton;

// Modifier keys held with a key, as the key handler receives them.
enum ShiftFlag : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32
};
using TShiftState = unsigned;

// A hidden picture holder (the ticked and cleared glyphs).
struct TImage {
  QPixmap Picture;
};

class TfrmParametroToten : public QMdiSubWindow {
  Q_OBJECT

 public:
  // Builds every control and then runs FormCreate; an exception from
  // FormCreate leaves the constructor (the caller reports it).
  explicit TfrmParametroToten(QWidget* parent = nullptr);
  ~TfrmParametroToten() override;

  // Client area of the form's description.
  static constexpr int kClientWidth = 786;
  static constexpr int kClientHeight = 581;
  static constexpr int kDesignLeft = 230;
  static constexpr int kDesignTop = 100;

  // ---- form lifecycle ----
  void FormCreate(QObject* Sender);
  void FormActivate(QObject* Sender);
  void FormClose(QObject* Sender);
  void netTotenBeforeConnect(QObject* Sender);
  void spbSairClick(QObject* Sender);
  void tcbCancelarClick(QObject* Sender);

  // ---- branch and register selection ----
  void tcbFilialClick(QObject* Sender);
  void PesqFilial(bool Found);
  bool montacaixa();
  void cdsCaixaAfterScroll(ClientDataset& DataSet);
  void tcbPrimeiroClick(QObject* Sender);
  void tcbAnteriorClick(QObject* Sender);
  void tcbProximoClick(QObject* Sender);
  void tcbUltimoClick(QObject* Sender);
  void tcbAtualizarClick(QObject* Sender);

  // ---- loading and display ----
  void PreencheValCampos(bool Load);

  // ---- editing ----
  void tcbMenIniClick(QObject* Sender);
  void tcbMenAdiClick(QObject* Sender);
  void TouchButton1Click(QObject* Sender);
  void tcbExtratoClick(QObject* Sender);
  void tcbExtrDelClick(QObject* Sender);
  void tcbSubGruposClick(QObject* Sender);
  void tcbPesqRegraConsClick(QObject* Sender);
  void tcbSelecLojaClick(QObject* Sender);
  void tcbMensInfClick(QObject* Sender);
  void tcbInfClieClick(QObject* Sender);
  void tcbCorrenteClick(QObject* Sender);
  void tcbIntervalClick(QObject* Sender);
  void tcbDiaIniClick(QObject* Sender);
  void tcbDiaFinClick(QObject* Sender);
  void tcbSegundosClick(QObject* Sender);

  // ---- saving ----
  void ControlBot(bool Enable);
  void RetornaValVariaveis();
  void tcbConfirmaClick(QObject* Sender);
  void tcbCancelaClick(QObject* Sender);

  // ---- beyond the register: copy to others, history ----
  void tcbCopiarClick(QObject* Sender);
  void tcbHistoricoClick(QObject* Sender);

  // ---- keys and pages ----
  void FormKeyDown(QObject* Sender, std::uint16_t& Key, TShiftState Shift);
  void tcbAntClick(QObject* Sender);
  void tcbPrxClick(QObject* Sender);

  // Screen size used by the small-screen placement; tests set it.
  static void SetScreenSizeOverride(std::optional<QSize> size);

  // ---- controls (owned by the form) ----
  QWidget* client = nullptr;  // the client area, 786 x 581
  TNotebook* ntbTot = nullptr;
  // page "Totem"
  TTouchButton* tcbFilial = nullptr;
  QLabel* Label20 = nullptr;
  QLabel* lblNmFilial = nullptr;
  QFrame* panCaixa = nullptr;
  host::TDBSortGrid* dbgCaixa = nullptr;
  // page "Totem1"
  TTouchButton* tcbMenIni = nullptr;
  QLabel* lblMsgIni = nullptr;
  QLabel* lblValMenIni = nullptr;
  TTouchButton* tcbMenAdi = nullptr;
  QLabel* lblMsgAdi = nullptr;
  QLabel* lblValMenAdi = nullptr;
  TTouchButton* TouchButton1 = nullptr;
  QLabel* lblMsgCon = nullptr;
  QLabel* lblValConTot = nullptr;
  TTouchButton* tcbExtrato = nullptr;
  QLabel* lblExtrato = nullptr;
  TTouchButton* tcbExtrDel = nullptr;
  QLabel* lblExtrDel = nullptr;
  TTouchButton* tcbSubGrupos = nullptr;
  QLabel* lblSubGrupos = nullptr;
  TTouchButton* spdGrupProd = nullptr;
  QLabel* lblDescGprod = nullptr;
  QLabel* lblGrupProd = nullptr;
  TTouchButton* tcbSelecLoja = nullptr;
  QLabel* lblSelecLoja = nullptr;
  TTouchButton* tcbMensInf = nullptr;
  QLabel* lblMensInf = nullptr;
  TTouchButton* tcbInfClie = nullptr;
  QLabel* lblInfClie = nullptr;
  // page "Totem2"
  TTouchButton* tcbCorrente = nullptr;
  QLabel* Label1 = nullptr;
  TTouchButton* tcbInterval = nullptr;
  QLabel* lblIntConsul = nullptr;
  TTouchButton* tcbDiaIni = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* lblValDiaIni = nullptr;
  TTouchButton* tcbDiaFin = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* lblValDiaFin = nullptr;
  QLabel* lblFecCons = nullptr;
  TTouchButton* tcbSegundos = nullptr;
  QLabel* lblValSeg = nullptr;
  QLabel* Label6 = nullptr;
  // command column
  TTouchButton* tcbPesquisar = nullptr;
  TTouchButton* tcbAtualizar = nullptr;
  TTouchButton* tcbCancela = nullptr;
  TTouchButton* tcbConfirma = nullptr;
  TTouchButton* tcbCopiar = nullptr;
  TTouchButton* tcbHistorico = nullptr;
  TTouchButton* spbSair = nullptr;
  // navigation bar
  QFrame* Bevel1 = nullptr;
  TTouchButton* tcbPrimeiro = nullptr;
  TTouchButton* tcbAnterior = nullptr;
  TTouchButton* tcbProximo = nullptr;
  TTouchButton* tcbUltimo = nullptr;
  QLabel* lblNmCaixa = nullptr;
  TTouchButton* tcbAnt = nullptr;
  TTouchButton* tcbPrx = nullptr;
  QLabel* lblCodTela = nullptr;

  // ---- non-visual components ----
  host::TNetConnection netToten;
  std::unique_ptr<ClientDataset> cdsFilial;
  std::unique_ptr<ClientDataset> cdsCaixa;
  std::unique_ptr<ClientDataset> cdsCarregaPar;
  std::unique_ptr<ClientDataset> cdsPesqGrupProd;
  std::unique_ptr<ClientDataset> cdsVerifPar;
  ClientDataset* dtsCaixa = nullptr;  // the grid's data source: cdsCaixa
  host::TMessages* msgPadrao = nullptr;
  TImage imgMarcado;
  TImage imgClear;

  // The remote methods, over netToten.
  service::ParametrosClient& Server() { return *server_; }
  // The labels the screen shows the record's values under.
  form::FieldLabels FieldLabels() const;

  // Private fields of the form instance, readable by tests.
  const std::string& TituloPesq() const { return stTituloPesq; }
  const std::string& SelLoja() const { return stSelLoja; }
  const std::string& TextoDigitado() const { return stTextoDigitado; }
  // The branch chosen last (empty before any choice).
  const std::string& FilialEscolhida() const { return filialEscolhida_; }
  // Branch and register whose record the screen shows (empty before any
  // successful load).
  const std::string& LoadedFilial() const { return loadedFilial_; }
  const std::string& LoadedCaixa() const { return loadedCaixa_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Closing with edits pending asks first, unless the screen's own exit
  // (Sair, the S key) closes it.
  bool MayCloseWithEdits();
  bool closingBySair_ = false;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Where the screen keeps one value of the parameter record: its variable
  // and, for the messages, days and seconds, the caption that holds it while
  // it is edited (Confirm copies the caption into the variable).
  struct RecordBinding {
    std::string* variable = nullptr;
    QLabel* caption = nullptr;
  };
  // One per value, in the contract's order (contract::kRecord).
  std::array<RecordBinding, contract::kRecord.size()> RecordBindings();

  void BuildControls();
  void BuildBranchPage(QWidget* page);
  void BuildParameterPage(QWidget* page);
  void BuildPeriodPage(QWidget* page);
  void BuildBars();
  void BuildComponents();
  void BindHandlers();
  void SetToggle(TTouchButton* button, bool on);
  void EditMessage(QLabel* caption, std::string_view field);
  // The whole text of a value display, under the label that names it.
  void ShowWholeText(QLabel* display, QLabel* label);
  void EditDay(QLabel* caption, QLabel* otherCaption, std::string& variable, const char* promptKey,
               bool isFirstDay);
  void FlipFlag(std::string& flag, TTouchButton* button);
  void ChooseStatementType(int type);
  void ChoosePeriod(bool interval);
  void ShowError(const std::string& text);
  // Stops with a message unless the screen shows a register's stored record.
  void RequireShownRegister();
  // What the history's undo keys run for the register (form/undo_history.cpp);
  // said gets the message to show once the history closes after a put-back.
  form::UndoActions UndoFromHistory(const std::string& filial, const std::string& caixa,
                                    QString& said);
  std::string FilialCode() const;
  std::string CaixaCode() const;
  QSize ScreenSize() const;

  std::string stTituloPesq;
  std::string stSelLoja;
  // The branch last chosen in the search list: the branch whose registers
  // the grid shows and whose records Cancel and Confirm read and write. Kept
  // apart from the branch list's current row, which a later search moves
  // even when it is cancelled.
  std::string filialEscolhida_;
  std::string stTextoDigitado;
  std::string loadedFilial_;
  std::string loadedCaixa_;
  bool recordLoaded_ = false;
  std::unique_ptr<service::ParametrosClient> server_;
};

}  // namespace totem::form
