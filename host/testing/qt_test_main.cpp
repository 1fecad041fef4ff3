// GoogleTest main for suites that need widgets: one application object for
// the whole run, always on Qt's offscreen platform so that no test opens a
// window on a developer's screen or needs a display.
#include "host/components/error_handling.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  totem::host::TotemApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
