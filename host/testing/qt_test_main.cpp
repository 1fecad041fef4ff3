// GoogleTest main for suites that need widgets: one application object for
// the whole run, always on Qt's offscreen platform so that no test opens a
// window on a developer's screen or needs a display. The touch dialogs'
// suites take it with the real touch dialogs installed, as in the host.
#include "host/components/error_handling.h"
#ifdef TOTEM_TEST_TOUCH_DIALOGS
#include "host/touch/touch_provider.h"
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  totem::host::TotemApplication app(argc, argv);
#ifdef TOTEM_TEST_TOUCH_DIALOGS
  // As the host application does at start-up.
  totem::touch::InstallTouchDialogs();
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
