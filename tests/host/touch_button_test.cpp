#include "host/components/touch_button.h"
#include "host/components/touch_style.h"

#include "gui_test_helpers.h"
#include "host/components/dialog_provider.h"
#include "host/testing/scripted_dialogs.h"
#include "platform/errors.h"

#include <QImage>
#include <QPainter>

namespace totem::host {
namespace {

using test::ScriptedDialogs;

class TouchButtonTest : public ::testing::Test {
 protected:
  TouchButtonTest() { button.resize(60, 58); }

  void Show() {
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
  }

  ScriptedDialogs dialogs;
  ScopedDialogProvider scope{dialogs};
  TTouchButton button;
  std::vector<QObject*> senders;
};

TEST_F(TouchButtonTest, ProgrammaticClickRunsHandlerEvenWhenDisabledAndHidden) {
  button.OnClick = [this](QObject* sender) { senders.push_back(sender); };
  button.setEnabled(false);
  button.hide();
  button.Click();
  EXPECT_EQ(senders, std::vector<QObject*>{&button});
}

TEST_F(TouchButtonTest, ProgrammaticClickLetsTheHandlersExceptionReachTheCaller) {
  button.OnClick = [](QObject*) { throw TotemError("falhou"); };
  EXPECT_THROW(button.Click(), TotemError);
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(TouchButtonTest, UserClickRunsHandlerOnlyWhileEnabled) {
  button.OnClick = [this](QObject* sender) { senders.push_back(sender); };
  Show();
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(senders.size(), 1u);
  button.setEnabled(false);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(senders.size(), 1u);
}

TEST_F(TouchButtonTest, UserClickShowsTheHandlersFailureAndSwallowsSilentAbort) {
  Show();
  button.OnClick = [](QObject*) { throw TotemError("Servidor fora do ar."); };
  QTest::mouseClick(&button, Qt::LeftButton);
  button.OnClick = [](QObject*) { throw SilentAbort(); };
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(dialogs.Messages().size(), 1u);
  EXPECT_EQ(dialogs.Messages()[0].text, QString("Servidor fora do ar."));
  EXPECT_EQ(dialogs.Messages()[0].type, mtError);
}

// Enabled: the touch colour. Disabled: a pale neutral face, so that it reads
// as out of use, with its caption still dark enough to read.
TEST_F(TouchButtonTest, FaceShowsWhetherTheButtonCanBeUsed) {
  EXPECT_EQ(button.Color(), QColor(144, 144, 176));
  button.setText("X");
  EXPECT_EQ(button.grab().toImage().pixelColor(30, 10).rgb(), QColor(144, 144, 176).rgb());
  button.setEnabled(false);
  const QImage disabled = button.grab().toImage();
  EXPECT_EQ(disabled.pixelColor(30, 10).rgb(), TouchDisabledFaceColor().rgb());
  int darkest = 255;
  for (int y = 0; y < disabled.height(); ++y)
    for (int x = 8; x < disabled.width() - 8; ++x)
      darkest = std::min(darkest, qGray(disabled.pixel(x, y)));
  EXPECT_LE(darkest, 110) << "the caption stays legible";
}

TEST_F(TouchButtonTest, GlyphIsShownFromThenOnAndAnEmptyOneShowsNoPicture) {
  const QImage bare = button.grab().toImage();
  QPixmap tick(40, 40);
  tick.fill(Qt::black);
  button.SetGlyph(tick);
  EXPECT_EQ(button.Glyph().cacheKey(), tick.cacheKey());
  EXPECT_NE(button.grab().toImage(), bare);
  EXPECT_EQ(button.grab().toImage().pixelColor(30, 29), QColor(Qt::black));

  button.SetGlyph(QPixmap());
  EXPECT_TRUE(button.Glyph().isNull());
  EXPECT_EQ(button.grab().toImage(), bare);
}

}  // namespace
}  // namespace totem::host
