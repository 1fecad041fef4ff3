// The touch package's calls reach the dialogs through the host's provider:
// the real touch dialogs by default once the package is loaded, a script in
// front of them for form tests.
#include "host/touch/touch_dialogs.h"

#include "gui_test_helpers.h"
#include "host/components/dialog_provider.h"
#include "host/components/error_handling.h"
#include "host/components/result_check.h"
#include "host/testing/scripted_dialogs.h"
#include "host/touch/touch_provider.h"
#include "service/dataset_fields.h"

namespace totem::touch {
namespace {

using namespace totem::host;
using test::ScriptedDialogs;

TEST(TouchProviderTest, InstallingTheTouchDialogsMakesThemTheDefault) {
  SetDefaultDialogProvider(nullptr);
  EXPECT_EQ(dynamic_cast<TouchDialogs*>(&Dialogs()), nullptr);
  InstallTouchDialogs();
  ASSERT_NE(DefaultDialogProvider(), nullptr);
  EXPECT_NE(dynamic_cast<TouchDialogs*>(&Dialogs()), nullptr);
}

TEST(TouchProviderTest, ScopedProvidersStackInFrontOfTheInstalledOneAndRestore) {
  auto installed = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs* raw = installed.get();
  EXPECT_EQ(SetDialogProvider(std::move(installed)), nullptr);
  EXPECT_EQ(&Dialogs(), raw);
  {
    ScriptedDialogs outer, inner;
    ScopedDialogProvider a(outer);
    {
      ScopedDialogProvider b(inner);
      EXPECT_EQ(&Dialogs(), &inner);
    }
    EXPECT_EQ(&Dialogs(), &outer);
  }
  EXPECT_EQ(&Dialogs(), raw);
  EXPECT_EQ(SetDialogProvider(nullptr).get(), raw);
  EXPECT_NE(dynamic_cast<TouchDialogs*>(&Dialogs()), nullptr);
}

class ScriptedTouchCallsTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  ScopedDialogProvider scope{dialogs};
};

TEST_F(ScriptedTouchCallsTest, EveryDialogIsAnsweredFromTheScriptAndRecorded) {
  auto filiais = service::MakeCdsFilial();
  filiais->SetData(test::Packet({"CDFILIAL", "NMFILIAL"}).Rows({{"1", "Centro"}, {"2", "Sul"}}));
  dialogs.AnswerKeyboard("Bem-vindo");
  dialogs.AnswerQuantity(15);
  dialogs.PickWhere("NMFILIAL", "Sul");
  dialogs.AnswerMessage(mrNo);

  EXPECT_EQ(TecladoAlfanumerico("Olá", ""), QString("Bem-vindo"));
  EXPECT_EQ(InfoQuantidade("Informe o dia inicial", 1, "2"), 15.0);
  EXPECT_TRUE(Pesquisa(*filiais, "", "S", "", false));
  EXPECT_EQ(filiais->FieldAsString("CDFILIAL"), "2");
  EXPECT_EQ(TouchMessageDlg("Gravar?", mtConfirmation, {mbYes, mbNo}), mrNo);
  EXPECT_EQ(TouchMessageDlg("Data invalida.", mtError, {mbOK}, 0, 0, ""), mrOk);

  EXPECT_EQ(dialogs.KeyboardCalls(), std::vector<QString>{"Olá"});
  ASSERT_EQ(dialogs.QuantityCalls().size(), 1u);
  EXPECT_EQ(dialogs.QuantityCalls()[0].maxDigits, QString("2"));
  ASSERT_EQ(dialogs.SearchCalls().size(), 1u);
  EXPECT_EQ(dialogs.SearchCalls()[0].dataset, "cdsFilial");
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"Gravar?", "Data invalida."}));
  EXPECT_TRUE(dialogs.Messages()[1].touch);
  EXPECT_EQ(dialogs.UnusedAnswers(), 0);
}

// The host's result check and the touch package's keep one contract: the
// packet of a success (an empty one when it carries none); a failure raises
// with the server's code and message, showing nothing itself, or, told not
// to raise, is shown once as an error (the touch check in the touch box) and
// ends silently.
TEST(ResultChecks, BothKeepOneContract) {
  using Check = DataPacket (*)(const ResultEnvelope&, bool, int);
  const struct {
    const char* name;
    Check check;
    bool touchBox;
  } checks[] = {{"CheckResultServ", &host::CheckResultServ, false},
                {"TouchCheckResultServ", &TouchCheckResultServ, true}};
  for (const auto& c : checks) {
    SCOPED_TRACE(c.name);
    ScriptedDialogs dialogs;
    ScopedDialogProvider scope(dialogs);
    const DataPacket packet = test::Packet({"CDFILIAL"}).Rows({{"1"}, {"2"}});
    const DataPacket out = c.check(ResultEnvelope::Success(packet), true, 0);
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[1][0], std::optional<std::string>("2"));
    EXPECT_TRUE(c.check(ResultEnvelope::Success(), true, 0).fields.empty());
    for (const auto& [message, said] :
         {std::pair{"Caixa não cadastrado.", "Caixa não cadastrado."}, std::pair{"", "CAIXA_N"}}) {
      try {
        c.check(ResultEnvelope::Failure("CAIXA_N", message), true, 0);
        ADD_FAILURE() << "no exception";
      } catch (const ServerResultError& e) {
        EXPECT_NE(std::string(e.what()).find(said), std::string::npos) << e.what();
        EXPECT_EQ(e.Code(), "CAIXA_N");
      }
    }
    EXPECT_TRUE(dialogs.Messages().empty()) << "raising shows nothing itself";
    EXPECT_THROW(c.check(ResultEnvelope::Failure("A", "Sem permissão."), false, 0), SilentAbort);
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_EQ(dialogs.Messages()[0].touch, c.touchBox);
    EXPECT_EQ(dialogs.Messages()[0].text, QString("Sem permissão."));
    EXPECT_EQ(dialogs.Messages()[0].type, mtError);
    EXPECT_EQ(dialogs.Messages()[0].buttons, TMsgDlgButtons{mbOK});
  }
}

}  // namespace
}  // namespace totem::touch
