#pragma once
// A small chain with known data on a real server, for the screen's
// selection, loading and saving tests:
//   0001 Matriz Centro  registers 001, 002, 003 (003 without a record)
//   0002 Filial Norte   registers 101, 102
//   0003 Filial Vazia   no registers
//   O'B1 Filial O'Brien register 001 (a quote in the branch code)
// and the screen open against it, with scripted dialogs. Each test has its
// own copy of the chain's database and its own server over it, so what one
// test writes no other sees, whatever their order.
#include "form/parametro_toten_form.h"
#include "form/testing/scripted_form_dialogs.h"
#include "tests/support/save_args.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_database.h"

#include "form/touch/register_dialogs.h"
#include "host/components/dialog_provider.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace totem::test {

struct RemoteCall {
  std::string method;
  std::vector<std::string> args;
};

class ChainTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Opens the screen (FormCreate reads the branch list) and starts
  // recording the remote calls it makes.
  form::TfrmParametroToten& OpenScreen();
  // Picks a branch in the search list the branch button opens.
  void PickBranch(const std::string& code);
  // Picks the branch, then moves to one of its registers.
  void ShowRegister(const std::string& branch, const std::string& caixa);
  std::vector<std::string> CalledMethods() const;
  int CountCalls(const std::string& method) const;
  void ForgetCalls() { calls_.clear(); }

  // Runs SQL on the test's database file directly.
  void Sql(const std::string& statement);
  // One stored column of a register's record ("" when there is none).
  std::string Stored(const std::string& branch, const std::string& caixa,
                     const std::string& column);
  void AimAtServer();

  static TempDir* dir_;
  static std::string chainPath_;  // the chain as imported; each test copies it
  std::unique_ptr<TestDatabase> db_;
  std::unique_ptr<ServerProcess> server_;
  ScriptedFormDialogs dialogs_;
  std::unique_ptr<host::ScopedDialogProvider> scope_;
  std::unique_ptr<form::ScopedRegisterDialogs> formScope_;
  std::unique_ptr<form::TfrmParametroToten> screen_;
  std::vector<RemoteCall> calls_;
};

}  // namespace totem::test
