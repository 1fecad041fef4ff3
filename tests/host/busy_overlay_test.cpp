#include "host/components/busy_overlay.h"

#include "gui_test_helpers.h"

#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

namespace totem::host {
namespace {

class BusyOverlayTest : public ::testing::Test {
 protected:
  BusyOverlayTest() {
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    button = new QPushButton("Confirmar");
    edit = new QLineEdit;
    layout->addWidget(button);
    layout->addWidget(edit);
    window.setCentralWidget(central);
    window.resize(500, 400);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    edit->setFocus();
  }
  ~BusyOverlayTest() override {
    while (ShowAviActive()) DeactiveShowAvi();
  }

  QMainWindow window;
  QPushButton* button;
  QLineEdit* edit;
};

// Counts the paint events the overlay receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->objectName() == "busyOverlay") ++paints;
    return false;
  }
};

TEST_F(BusyOverlayTest, CoversTheMainWindowAndIsPaintedBeforeTheCallBlocks) {
  const QImage before = window.grab().toImage();
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  ActiveShowAvi(&window, TShowAvi::Server);
  qApp->removeEventFilter(&counter);
  // No event was processed since Active, as during a blocking call: the
  // overlay must have been painted by Active itself.
  EXPECT_GE(counter.paints, 1);
  ASSERT_TRUE(ShowAviActive());
  QWidget* overlay = ShowAviOverlay();
  ASSERT_NE(overlay, nullptr);
  EXPECT_TRUE(overlay->isVisible());
  EXPECT_EQ(overlay->parentWidget(), &window);
  EXPECT_EQ(overlay->geometry(), window.rect());
  const QImage during = window.grab().toImage();
  EXPECT_LT(qGray(during.pixel(5, 5)), qGray(before.pixel(5, 5))) << "corner is dimmed";
}

TEST_F(BusyOverlayTest, BlocksMouseAndKeysWhileShownAndGivesThemBackAfter) {
  QSignalSpy clicks(button, &QPushButton::clicked);
  ActiveShowAvi(&window, TShowAvi::Server);
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::keyClicks(edit, "abc");
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_TRUE(edit->text().isEmpty());

  DeactiveShowAvi();
  EXPECT_FALSE(ShowAviActive());
  EXPECT_EQ(ShowAviOverlay(), nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::keyClicks(edit, "abc");
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(edit->text(), QString("abc"));
}

TEST_F(BusyOverlayTest, InputQueuedDuringTheCallIsDroppedNotReplayed) {
  QSignalSpy clicks(button, &QPushButton::clicked);
  ActiveShowAvi(&window, TShowAvi::Server);
  const QPointF centre = QRectF(button->rect()).center();
  const QPointF global = button->mapToGlobal(centre);
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                                      Qt::LeftButton, Qt::LeftButton, {}));
  QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                      Qt::LeftButton, Qt::NoButton, {}));
  DeactiveShowAvi();
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks.count(), 0);
}

TEST_F(BusyOverlayTest, PairsDoNotNestASecondActivationIsIgnored) {
  ActiveShowAvi(&window, TShowAvi::Server);
  QWidget* first = ShowAviOverlay();
  ActiveShowAvi(&window, TShowAvi::Save);
  EXPECT_EQ(ShowAviOverlay(), first);
  EXPECT_EQ(window.findChildren<QWidget*>("busyOverlay").size(), 1);
  DeactiveShowAvi();
  EXPECT_FALSE(ShowAviActive());
  EXPECT_TRUE(window.findChildren<QWidget*>("busyOverlay").isEmpty());
  EXPECT_NO_THROW(DeactiveShowAvi());
  EXPECT_EQ(static_cast<int>(TShowAvi::Server), 6);
}

}  // namespace
}  // namespace totem::host
