#include "host/components/server_wait.h"

#include "gui_test_helpers.h"
#include "host/components/touch_button.h"
#include "platform/errors.h"

#include <QMainWindow>

#include <atomic>
#include <memory>
#include <thread>

namespace totem::host {
namespace {

using namespace std::chrono_literals;

class ServerWaitTest : public ::testing::Test {
 protected:
  ServerWaitTest() {
    EnableServerWait(true);
    window.resize(500, 400);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
  }
  ~ServerWaitTest() override {
    EnableServerWait(false);
    SetServerWaitTimes({});
  }
  QMainWindow window;
};

// An answer that comes at once: the exchange ran on a thread of its own and
// nothing showed.
TEST_F(ServerWaitTest, AQuickAnswerShowsNothing) {
  std::thread::id ran;
  WaitForServer([&] { ran = std::this_thread::get_id(); });
  EXPECT_NE(ran, std::this_thread::get_id());
  EXPECT_EQ(ServerWaitPanel(), nullptr);
  EnableServerWait(false);
  WaitForServer([&] { ran = std::this_thread::get_id(); });
  EXPECT_EQ(ran, std::this_thread::get_id());
}

// A server that does not answer: the indicator, then "Cancelar", which
// gives the screen back; the answer that comes later changes nothing.
TEST_F(ServerWaitTest, CancelGivesUpAWaitThatLasts) {
  SetServerWaitTimes({0ms, 0ms});
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto finished = std::make_shared<std::atomic<bool>>(false);
  bool panelShown = false;
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    QWidget* panel = ServerWaitPanel();
    auto* key = panel ? panel->findChild<TTouchButton*>("key_cancel_wait") : nullptr;
    if (key && key->isVisible()) {
      panelShown = panel->isVisible();
      cancel.stop();
      QTest::mouseClick(key, Qt::LeftButton);
    }
  });
  cancel.start(5);
  EXPECT_THROW(WaitForServer([release, finished] {
                 while (!*release) std::this_thread::yield();
                 *finished = true;
               }),
               CallAbandoned);
  EXPECT_TRUE(panelShown);
  EXPECT_EQ(ServerWaitPanel(), nullptr);
  *release = true;
  EXPECT_TRUE(QTest::qWaitFor([&] { return finished->load(); }));
}

}  // namespace
}  // namespace totem::host
