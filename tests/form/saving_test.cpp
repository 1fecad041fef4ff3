// Confirm and Cancel: what is verified and saved, what is refused, and the
// Confirm/Cancel state afterwards.
#include "form/module_state.h"
#include "host/components/busy_overlay.h"
#include "host/components/notice.h"
#include "platform/errors.h"
#include "tests/form/chain_fixture.h"
#include "tests/support/stub_rpc_server.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <functional>

using namespace totem;
using form::TfrmParametroToten;
using test::ChainTest;

// Cases over the small chain, reported under the feature they check.
class Saving : public ChainTest {};
using test::RemoteCall;
using test::SaveField;

namespace {

const RemoteCall* Last(const std::vector<RemoteCall>& calls, const std::string& method) {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it)
    if (it->method == method) return &*it;
  return nullptr;
}

}  // namespace

TEST_F(Saving, ConfirmVerifiesThenSavesThirteenTextsInOrder) {
  auto& f = OpenScreen();
  ShowRegister("0002", "101");
  dialogs_.AnswerKeyboard("Bem-vindo ao totem");
  f.tcbMenIniClick(nullptr);
  f.tcbCorrenteClick(nullptr);  // current month: two empty days
  ForgetCalls();
  f.tcbConfirmaClick(f.tcbConfirma);
  EXPECT_EQ(CalledMethods(), (std::vector<std::string>{"getVerifPar", "setUpdParametros"}));
  EXPECT_EQ(calls_[0].args, (std::vector<std::string>{"0002", "101"}));
  // Branch and register, then type, group, balance screen, two days,
  // seconds, initial and additional messages, store selection (loaded "s"
  // becomes "N"), consumer code option and consumer message.
  EXPECT_EQ(calls_[1].args, (std::vector<std::string>{"0002", "101", "2", "", "s", "", "", "45",
                                                      "Bem-vindo ao totem", "", "N", "s", ""}));
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
  EXPECT_FALSE(f.tcbCancela->isEnabled());
  EXPECT_FALSE(host::ShowAviActive());
  // A notice that blocks nothing says so, and goes by itself.
  ASSERT_NE(host::ShownNotice(), nullptr);
  EXPECT_EQ(static_cast<QLabel*>(host::ShownNotice())->text(), "Parâmetros gravados.");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([] { return host::ShownNotice() == nullptr; }, 10000));
  EXPECT_EQ(Stored("0002", "101", "dsmsginitot"), "Bem-vindo ao totem");
  EXPECT_EQ(Stored("0002", "101", "nrdiafintot"), "");
  // Unknown flag texts loaded from the server go back as they came.
  EXPECT_EQ(Stored("0002", "101", "ideximsgsal"), "s");
}

TEST_F(Saving, TypeOneSavesAnEmptyGroupAndNoStoreSelection) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  f.tcbExtratoClick(nullptr);
  f.tcbConfirmaClick(nullptr);
  const RemoteCall* save = Last(calls_, "setUpdParametros");
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(SaveField(save->args, contract::col::IDTIPEXTTOT), "1");
  EXPECT_EQ(SaveField(save->args, contract::col::CDGRUPPROD), "");
  EXPECT_EQ(SaveField(save->args, contract::col::IDSELLOJTOT), "N");
  EXPECT_EQ(Stored("0001", "001", "idtipexttot"), "1");
  EXPECT_EQ(Stored("0001", "001", "cdgrupprod"), "");
  // The screen is not refreshed from the server after saving.
  EXPECT_EQ(f.lblValMenIni->text(), "Bem-vindo");
}

TEST_F(Saving, SubGroupStatementWithoutAGroupCodeIsRefusedBeforeAnyCall) {
  auto& f = OpenScreen();
  // Type 3 loaded with a group, then the group emptied by the type buttons or
  // by a cancelled group search.
  const std::function<void()> emptyings[] = {
      [&] {
        f.tcbExtratoClick(nullptr);
        f.tcbSubGruposClick(nullptr);
      },
      [&] {
        f.tcbExtrDelClick(nullptr);
        f.tcbSubGruposClick(nullptr);
      },
      [&] {
        dialogs_.CancelSearch();
        f.tcbPesqRegraConsClick(nullptr);
      },
  };
  for (const auto& empty : emptyings) {
    ShowRegister("0001", "001");
    empty();
    ForgetCalls();
    EXPECT_THROW(f.tcbConfirmaClick(nullptr), SilentAbort);
    EXPECT_EQ(CalledMethods(), std::vector<std::string>{});
    ASSERT_FALSE(dialogs_.Messages().empty());
    EXPECT_EQ(dialogs_.Messages().back().text,
              QStringLiteral("Grupo de produtos deve ser informado."));
  }
  EXPECT_EQ(Stored("0001", "001", "cdgrupprod"), "10");

  ShowRegister("O'B1", "001");  // type 3 loaded with an empty group: " - " on screen
  f.ControlBot(true);
  ForgetCalls();
  EXPECT_THROW(f.tcbConfirmaClick(nullptr), SilentAbort);
  EXPECT_TRUE(calls_.empty());
  ASSERT_FALSE(dialogs_.Messages().empty());
  EXPECT_EQ(dialogs_.Messages().back().text,
            QStringLiteral("Grupo de produtos deve ser informado."));
  EXPECT_TRUE(dialogs_.Messages().back().touch);
  EXPECT_TRUE(f.tcbConfirma->isEnabled());

  dialogs_.PickWhere("CDGRUPPROD", "20");  // with a group it goes through
  f.tcbPesqRegraConsClick(nullptr);
  f.tcbConfirmaClick(nullptr);
  EXPECT_EQ(Stored("O'B1", "001", "cdgrupprod"), "20");
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
}

TEST_F(Saving, FailedVerifySavesNothingAndKeepsTheEdits) {
  auto& f = OpenScreen();
  ShowRegister("0001", "003");
  Sql("DELETE FROM caixa WHERE cdfilial = '0001' AND cdcaixa = '003'");
  dialogs_.AnswerKeyboard("Texto novo");
  f.tcbMenIniClick(nullptr);
  ForgetCalls();
  try {
    f.tcbConfirmaClick(nullptr);
    ADD_FAILURE() << "no exception";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Caixa não cadastrado.");
  }
  EXPECT_EQ(CalledMethods(), std::vector<std::string>{"getVerifPar"});
  EXPECT_FALSE(host::ShowAviActive());
  EXPECT_EQ(host::ShownNotice(), nullptr);
  EXPECT_TRUE(f.tcbConfirma->isEnabled());
  EXPECT_EQ(f.lblValMenIni->text(), "Texto novo");
}

// Our server sends the arguments back as they came and answers the verify
// with the register; a stand-in sends other values and other verify answers.
TEST_F(Saving, AnyVerifyAnswerLetsTheSaveGoOnAndByReferenceResultsComeBack) {
  const DataPacket verifyAnswers[] = {
      {{{"CDFILIAL", FieldType::Text, 4}, {"CDCAIXA", FieldType::Text, 3}}, {}},    // no rows
      {{{"OUTRA", FieldType::Text, 5}}, {{std::string("x")}, {std::string("y")}}},  // foreign
  };
  for (const DataPacket& verify : verifyAnswers) {
    auto& f = OpenScreen();
    ShowRegister("0001", "002");
    dialogs_.AnswerKeyboard("Editado");
    f.tcbMenIniClick(nullptr);
    test::StubRpcServer stub([&](const std::string& method, std::vector<std::string>& params) {
      if (method == "getVerifPar") return ResultEnvelope::Success(verify);
      for (std::size_t i = 2; i < params.size(); ++i) params[i] = "srv" + std::to_string(i);
      return ResultEnvelope::Success();
    });
    test::AimHostAt("127.0.0.1", stub.Port());
    f.netToten.Close();
    f.netToten.Open();
    f.tcbConfirmaClick(nullptr);
    EXPECT_EQ(stub.Methods(), (std::vector<std::string>{"getVerifPar", "setUpdParametros"}));
    // The eleven variables hold what the server left; the screen is not
    // refreshed from them.
    const std::string* refs[] = {&stIdExtrato, &stCdGrupProd,   &stIdExiMsg, &stDiaIni,
                                 &stDiaFin,    &stSegundos,     &stMenIni,   &stMenAdi,
                                 &f.SelLoja(), &stIDINFCLIECAI, &stMenCon};
    for (std::size_t i = 0; i < std::size(refs); ++i)
      EXPECT_EQ(*refs[i], "srv" + std::to_string(i + 2));
    EXPECT_EQ(f.lblValMenIni->text(), "Editado");
    EXPECT_FALSE(f.tcbConfirma->isEnabled());
    AimAtServer();
  }
}

TEST_F(Saving, MessageLongerThanItsFieldIsRefusedByTheServerAndKept) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  QString longText;
  for (int i = 0; i < 201; ++i) longText += QStringLiteral("é");
  dialogs_.AnswerKeyboard(longText);
  f.TouchButton1Click(nullptr);
  EXPECT_THROW(f.tcbConfirmaClick(nullptr), std::exception);
  EXPECT_EQ(f.lblValConTot->text(), longText);
  EXPECT_TRUE(f.tcbConfirma->isEnabled());
  EXPECT_TRUE(f.tcbCancela->isEnabled());
  EXPECT_EQ(Stored("0001", "002", "dsmsgcontot"), "Consumidor");
}

TEST_F(Saving, ExceptionFromAClickIsShownByTheDefaultHandler) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  dialogs_.AnswerKeyboard("Editado");
  f.tcbMenIniClick(nullptr);
  server_->Kill9();
  const auto shown = dialogs_.Messages().size();
  QTest::mouseClick(f.tcbConfirma, Qt::LeftButton);  // a real click, through the event entry
  ASSERT_EQ(dialogs_.Messages().size(), shown + 1);
  EXPECT_TRUE(dialogs_.Messages().back().touch);  // the touch message box
  EXPECT_EQ(dialogs_.Messages().back().type, host::mtError);
  EXPECT_TRUE(dialogs_.Messages().back().text.contains(QStringLiteral("servidor de aplicação")));
  EXPECT_EQ(f.lblValMenIni->text(), "Editado");
  EXPECT_TRUE(f.tcbConfirma->isEnabled());
  EXPECT_FALSE(host::ShowAviActive());
}

TEST_F(Saving, CancelAlwaysReadsAndShowsTheStoredValues) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  ForgetCalls();
  f.tcbCancelaClick(nullptr);  // nothing edited: it still reads
  EXPECT_EQ(CalledMethods(), std::vector<std::string>{"getCarregaPar"});
  dialogs_.AnswerKeyboard("Não salvar");
  f.tcbMenAdiClick(nullptr);
  f.tcbExtrDelClick(nullptr);
  f.tcbCancelaClick(nullptr);
  EXPECT_EQ(f.lblValMenAdi->text(), "Adicional");
  EXPECT_EQ(stIdExtrato, "1");
  EXPECT_FALSE(f.tcbConfirma->isEnabled());
  EXPECT_FALSE(f.tcbCancela->isEnabled());
}

TEST_F(Saving, FailedCancelLeavesTheScreenAndTheButtons) {
  auto& f = OpenScreen();
  ShowRegister("0001", "002");
  dialogs_.AnswerKeyboard("Editado");
  f.tcbMenAdiClick(nullptr);
  server_->Kill9();
  EXPECT_THROW(f.tcbCancelaClick(nullptr), TotemError);
  EXPECT_EQ(f.lblValMenAdi->text(), "Editado");
  EXPECT_TRUE(f.tcbCancela->isEnabled());
  EXPECT_FALSE(host::ShowAviActive());
}

TEST_F(Saving, MovingToAnotherRegisterDiscardsEditsWithoutAsking) {
  auto& f = OpenScreen();
  ShowRegister("0001", "001");
  dialogs_.AnswerKeyboard("Perdido");
  f.tcbMenIniClick(nullptr);
  const auto shown = dialogs_.Messages().size();
  f.tcbProximoClick(nullptr);
  EXPECT_EQ(f.lblValMenIni->text(), QStringLiteral("Olá"));
  EXPECT_EQ(dialogs_.Messages().size(), shown);
  EXPECT_TRUE(f.tcbConfirma->isEnabled());  // the state stays as it was
}
