#include "host/components/result_check.h"

#include "gui_test_helpers.h"
#include "host/components/dialog_provider.h"
#include "host/testing/scripted_dialogs.h"

namespace totem::host {
namespace {

using test::ScriptedDialogs;

class ResultCheckTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  ScopedDialogProvider scope{dialogs};
};

TEST_F(ResultCheckTest, SuccessHandsBackThePacketOrAnEmptyOne) {
  const DataPacket packet = test::TextPacket({"CDFILIAL"}, {{"1"}, {"2"}});
  const DataPacket out = CheckResultServ(ResultEnvelope::Success(packet), true, 0);
  ASSERT_EQ(out.rows.size(), 2u);
  EXPECT_EQ(out.rows[1][0], std::optional<std::string>("2"));
  EXPECT_EQ(out.fields[0].name, "CDFILIAL");
  EXPECT_TRUE(CheckResultServ(ResultEnvelope::Success(), true, 0).fields.empty());
}

TEST_F(ResultCheckTest, FailureRaisesWithTheServersCodeAndMessage) {
  try {
    CheckResultServ(ResultEnvelope::Failure("CAIXA_N", "Caixa não cadastrado."), true, 0);
    FAIL() << "no exception";
  } catch (const ServerResultError& e) {
    EXPECT_STREQ(e.what(), "Caixa não cadastrado.");
    EXPECT_EQ(e.Code(), "CAIXA_N");
  }
  EXPECT_TRUE(dialogs.Messages().empty()) << "raising shows nothing itself";
}

TEST_F(ResultCheckTest, FailureWithoutMessageNamesTheCode) {
  try {
    CheckResultServ(ResultEnvelope::Failure("X42", ""), true, 0);
    FAIL() << "no exception";
  } catch (const ServerResultError& e) {
    EXPECT_NE(std::string(e.what()).find("X42"), std::string::npos) << e.what();
  }
}

TEST_F(ResultCheckTest, WithoutRaiseTheFailureIsShownOnceAndEndsSilently) {
  EXPECT_THROW(CheckResultServ(ResultEnvelope::Failure("A", "Sem permissão."), false, 0),
               SilentAbort);
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_FALSE(dialogs.Messages()[0].touch);
  EXPECT_EQ(dialogs.Messages()[0].text, QString("Sem permissão."));
  EXPECT_EQ(dialogs.Messages()[0].type, mtError);
  EXPECT_EQ(dialogs.Messages()[0].buttons, TMsgDlgButtons{mbOK});
}

}  // namespace
}  // namespace totem::host
