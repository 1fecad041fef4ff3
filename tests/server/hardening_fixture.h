#pragma once
// A server over a fresh database with the demo chain, for the tests that
// throw bad input at it: what the database held before, to prove a refused
// request wrote nothing, and raw connections for bytes no client library
// would send.
#include "tests/server/module_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace totem::test {

class HttpHardening : public ::testing::Test {
 protected:
  // Starts the server over the fixture's database; a test that wants other
  // options calls it again, and the one SetUp started stops first.
  void StartServer(std::vector<std::string> extraArgs = {}) {
    client_.reset();
    server_.reset();
    server_ = std::make_unique<ServerProcess>(ServerOn(db_->Address(), true, std::move(extraArgs)));
    client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  }
  void SetUp() override {
    StartServer();
    before_ = Stored();
  }

  // The parameter records and the save history, straight from the database.
  std::vector<std::vector<std::string>> Stored() {
    auto rows = db_->Query(
        "SELECT cdfilial, cdcaixa, idtipexttot, dsmsginitot, nrsegfectot FROM parametro_totem"
        " ORDER BY cdfilial, cdcaixa");
    rows.push_back(db_->Query("SELECT COUNT(*) FROM parametro_totem_historico").at(0));
    return rows;
  }
  void ExpectNothingWritten() {
    EXPECT_EQ(Stored(), before_) << "a refused request changed the database";
  }

  std::unique_ptr<RawConnection> Connect() {
    return std::make_unique<RawConnection>(server_->Host(), server_->Port());
  }

  void ExpectStillServing() {
    ModuleClient fresh(server_->Host(), server_->Port());
    EXPECT_EQ(fresh.Envelope("getFilial", {})["status"], "ok");
  }

  TempDir dir_;
  std::unique_ptr<TestDatabase> db_ = TestDatabase::Create(dir_, "totem");
  std::unique_ptr<ServerProcess> server_;
  std::unique_ptr<ModuleClient> client_;
  std::vector<std::vector<std::string>> before_;
};

// A save of register 0001/001 that the server would accept.
inline std::string SaveBody(const std::string& message = "Gravado por engano") {
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = message;
  return nlohmann::json{
      {"jsonrpc", "2.0"}, {"id", 1}, {"method", "setUpdParametros"}, {"params", args}}
      .dump();
}

}  // namespace totem::test
