// Copying a register's settings to others and reading its history, from the
// screen against a real server; values read back from the database.
#include "form/module_state.h"
#include "platform/errors.h"
#include "tests/form/chain_fixture.h"

#include <QTest>

using namespace totem;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class CopyAndHistoryOnScreen : public ChainTest {};

namespace {

std::vector<std::string> Column(const DataPacket& packet, const char* name) {
  std::vector<std::string> values;
  const int c = packet.ColumnIndex(name);
  for (const auto& row : packet.rows) values.push_back(c >= 0 && row[c] ? *row[c] : "");
  return values;
}

}  // namespace

TEST_F(CopyAndHistoryOnScreen, CopyShowsThePreviewThenWritesOnlyTheChosenRegisters) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  dialogs_.AnswerCopy({{"0002", "101"}, {"0001", "002"}});
  QTest::mouseClick(f.tcbCopiar, Qt::LeftButton);
  ASSERT_EQ(dialogs_.CopyCalls().size(), 1u);
  const auto& call = dialogs_.CopyCalls()[0];
  EXPECT_EQ(call.origem, (CaixaKey{"0001", "001"}));
  EXPECT_EQ(call.registers, 6) << "every register of every branch is offered";
  const auto situations = Column(call.preview, "IDSITUACAO");
  EXPECT_EQ(std::count(situations.begin(), situations.end(), "ALTERA"),
            static_cast<long>(situations.size()));
  EXPECT_EQ(dialogs_.Messages().back().text, QString("Cópia concluída: 2 caixas alterados."));
  for (const char* column : {"dsmsginitot", "idtipexttot", "cdgrupprod", "nrdiafintot"}) {
    EXPECT_EQ(Stored("0002", "101", column), Stored("0001", "001", column)) << column;
    EXPECT_EQ(Stored("0001", "002", column), Stored("0001", "001", column)) << column;
  }
  EXPECT_EQ(Stored("0002", "102", "dsmsginitot"), "Tipo estranho");
}

TEST_F(CopyAndHistoryOnScreen, CopyNeedsTheEditsConfirmedAndACancelWritesNothing) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  dialogs_.AnswerKeyboard("Ainda não gravado");
  f.tcbMenIniClick(nullptr);
  EXPECT_THROW(f.tcbCopiarClick(nullptr), SilentAbort);
  EXPECT_TRUE(dialogs_.CopyCalls().empty());
  EXPECT_EQ(
      dialogs_.Messages().back().text,
      QString("Confirme ou cancele as alterações deste caixa antes de copiar os parâmetros."));
  f.tcbCancelaClick(nullptr);
  ForgetCalls();
  dialogs_.AnswerCopy({{"0002", "101"}}, false);  // cancelled on the preview
  f.tcbCopiarClick(nullptr);
  EXPECT_EQ(CountCalls("getCopiaPrevia"), 1);
  EXPECT_EQ(CountCalls("setCopiaParametros"), 0);
  EXPECT_EQ(Stored("0002", "101", "dsmsginitot"), "");
}

TEST_F(CopyAndHistoryOnScreen, HistoryShowsTheRegistersSavesNewestFirst) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  for (const char* text : {"Primeira", "Segunda"}) {
    dialogs_.AnswerKeyboard(text);
    f.tcbMenIniClick(nullptr);
    f.tcbConfirmaClick(nullptr);
  }
  dialogs_.ReadHistory(1);
  QTest::mouseClick(f.tcbHistorico, Qt::LeftButton);
  ASSERT_EQ(dialogs_.HistoryCalls().size(), 1u);
  const DataPacket& page = dialogs_.HistoryCalls()[0].pages.at(0);
  EXPECT_EQ(Column(page, "NRGRAVACAO"), (std::vector<std::string>{"2", "1"}));
  EXPECT_EQ(Column(page, "DSDEPOIS"), (std::vector<std::string>{"Segunda", "Primeira"}));
  EXPECT_EQ(Column(page, "DSANTES"), (std::vector<std::string>{"Primeira", "Olá"}));
  EXPECT_EQ(CountCalls("setUpdParametros"), 2) << "reading the history writes nothing";
}

TEST_F(CopyAndHistoryOnScreen, HistoryPutsBackASaveOrACopyAfterItsPreviewAndTheScreenShowsIt) {
  using Undo = test::ScriptedFormDialogs::Undo;
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  dialogs_.AnswerKeyboard("Errada");
  f.tcbMenIniClick(nullptr);
  f.tcbConfirmaClick(nullptr);
  dialogs_.ReadHistory(1);
  dialogs_.AnswerUndo(Undo::kRestaura, "0", false);  // cancelled on the preview
  QTest::mouseClick(f.tcbHistorico, Qt::LeftButton);
  const DataPacket& preview = dialogs_.HistoryCalls().at(0).undoPreview;
  EXPECT_EQ(Column(preview, "NMCAMPO"), (std::vector<std::string>{"DSMSGINITOT"}));
  EXPECT_EQ(Column(preview, "DSDEPOIS"), (std::vector<std::string>{"Olá"}));
  EXPECT_EQ(Stored("0001", "002", "dsmsginitot"), "Errada") << "a preview writes nothing";

  dialogs_.ReadHistory(1);
  dialogs_.AnswerUndo(Undo::kRestaura, "0");
  QTest::mouseClick(f.tcbHistorico, Qt::LeftButton);
  EXPECT_EQ(Stored("0001", "002", "dsmsginitot"), "Olá");
  EXPECT_EQ(f.lblValMenIni->text(), QString("Olá")) << "the page shows the values put back";
  EXPECT_EQ(dialogs_.Messages().back().text,
            QString("Caixa restaurado aos valores da gravação Nº 0 (gravação Nº 2)."));

  dialogs_.AnswerCopy({{"0002", "101"}});
  f.tcbCopiarClick(nullptr);
  ShowRegister("0002", "101");
  dialogs_.ReadHistory(1);
  dialogs_.AnswerUndo(Undo::kDesfaz, "1");
  QTest::mouseClick(f.tcbHistorico, Qt::LeftButton);
  EXPECT_EQ(Column(dialogs_.HistoryCalls().back().undoPreview, "IDSITUACAO").at(0), "RESTAURA");
  EXPECT_EQ(Stored("0002", "101", "dsmsginitot"), "") << "as before the copy";
  EXPECT_EQ(dialogs_.Messages().back().text,
            QString("Cópia 1 desfeita: 1 caixa(s) restaurado(s), 0 mantido(s)."));
}
