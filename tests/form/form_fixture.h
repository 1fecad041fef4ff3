#pragma once
// A demo server on a free loopback port, the host settings pointing at it,
// and scripted dialogs: what every screen test starts from.
#include "host/testing/scripted_dialogs.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include "host/components/dialog_provider.h"

#include <gtest/gtest.h>

#include <memory>

namespace totem::test {

class ScreenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Points the host settings at a server address.
  static void AimAt(const std::string& host, int port);
  static void AimAtServer();

  static TempDir* dir_;
  static ServerProcess* server_;
  ScriptedDialogs dialogs_;
  std::unique_ptr<host::ScopedDialogProvider> scope_;
};

}  // namespace totem::test
