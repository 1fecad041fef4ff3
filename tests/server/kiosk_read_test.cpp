// The kiosks' read path through a real server over each store: its answers
// and codes, tokens limited to reading, a wait woken by a save or a copy or
// ended by its deadline, and a restart during a wait, which the reference
// client survives.
#include "tests/server/hardening_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>

namespace totem::test {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

constexpr const char* kAdminToken = "admin-0123456789abcdef";
constexpr const char* kKioskToken = "quiosque-fedcba9876543210";
constexpr const char* kPath = "/kiosk/v1/parametros/0001/001";

struct Reply {
  int status = 0;
  std::string etag;
  std::string body;
  bool closes = false;
};

// A GET on a connection of its own, so that a test can wait on several.
Reply Get(const ServerProcess& server, const std::string& path, const std::string& ifNoneMatch = "",
          const std::string& token = "") {
  httplib::Client http(server.Host(), server.Port());
  http.set_read_timeout(70s);
  httplib::Headers headers;
  if (!ifNoneMatch.empty()) headers.emplace("If-None-Match", ifNoneMatch);
  if (!token.empty()) headers.emplace("Authorization", std::string("Bearer ") + token);
  auto result = http.Get(path, headers);
  if (!result) return {};
  return {result->status, result->get_header_value("ETag"), result->body,
          result->get_header_value("Connection") == "close"};
}

class KioskRead : public HttpHardening {};

TEST_F(KioskRead, AnswersTheSettingsTheirVersionAndEachCode) {
  WriteFile(dir_.File("tokens"),
            std::string("admin ") + kAdminToken + "\nquiosque " + kKioskToken + " leitura\n");
  StartServer({"--token-file", dir_.File("tokens")});
  const Reply settings = Get(*server_, kPath, "", kKioskToken);
  ASSERT_EQ(settings.status, 200) << settings.body;
  EXPECT_EQ(settings.etag.rfind("\"0-", 0), 0u) << settings.etag;
  const json body = json::parse(settings.body);
  EXPECT_EQ(body["versao"], 0);
  EXPECT_EQ(body["extrato"], json({{"tipo", 1}, {"descricao", "Extrato Simplificado"}}));
  EXPECT_EQ(body["periodoConsulta"]["mesCorrente"], true);
  EXPECT_EQ(body["mensagens"].size(), 3u);

  struct Case {
    const char* what;
    std::string path;
    std::string ifNoneMatch;
    std::string token;
    int status;
  };
  const std::string kiosk = kKioskToken;
  const std::string current = settings.etag;
  const std::vector<Case> cases = {
      {"the current settings' tag", kPath, current, kiosk, 304},
      {"the current tag, weak", kPath, "W/" + current, kiosk, 304},
      {"the current tag in a list", kPath, "\"7\", " + current, kiosk, 304},
      {"the bare current version, as older kiosks send it", kPath, "\"0\"", kiosk, 304},
      {"any version", kPath, "*", kiosk, 304},
      {"another version", kPath, "\"7\"", kiosk, 200},
      {"another tag of the current version", kPath, "\"0-0123456789abcdef\"", kiosk, 200},
      {"without a token", kPath, "", "", 401},
      {"an unknown register", "/kiosk/v1/parametros/0001/999", "", kiosk, 404},
      {"a code too long", "/kiosk/v1/parametros/00001/001", "", kiosk, 404},
      {"a third segment", "/kiosk/v1/parametros/0001/001/x", "", kiosk, 404},
      {"a wait of 0 s", std::string(kPath) + "?aguardar=0", "\"0\"", kiosk, 400},
      {"a wait of 61 s", std::string(kPath) + "?aguardar=61", "\"0\"", kiosk, 400},
      {"a wait that is no number", std::string(kPath) + "?aguardar=1s", "\"0\"", kiosk, 400},
      {"a wait on another version answers at once", std::string(kPath) + "?aguardar=60", "\"7\"",
       kiosk, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Reply reply = Get(*server_, c.path, c.ifNoneMatch, c.token);
    EXPECT_EQ(reply.status, c.status) << reply.body;
    if (c.status == 304) {
      EXPECT_EQ(reply.body, "");
    }
  }

  // The reading token reads, and never writes, alone or inside a batch.
  httplib::Client http(server_->Host(), server_->Port());
  auto post = [&](const std::string& token, const std::string& body) {
    auto result =
        http.Post(kModulePath, {{"Authorization", "Bearer " + token}}, body, "application/json");
    return result ? result->status : 0;
  };
  const std::string read = R"({"jsonrpc":"2.0","id":2,"method":"getFilial","params":[]})";
  const std::string copy =
      R"({"jsonrpc":"2.0","id":3,"method":"setCopiaParametros","params":["0001","001",[["0001","002"]]]})";
  EXPECT_EQ(post(kKioskToken, read), 200);
  EXPECT_EQ(post(kKioskToken, SaveBody()), 403);
  EXPECT_EQ(post(kKioskToken, copy), 403);
  EXPECT_EQ(post(kKioskToken, "[" + read + "," + SaveBody() + "]"), 403);
  EXPECT_EQ(
      http.Post(kPath, {{"Authorization", "Bearer " + kiosk}}, "", "application/json")->status,
      405);
  ExpectNothingWritten();
  EXPECT_EQ(post(kAdminToken, SaveBody()), 200);

  // Nobody waited for that save: a plain conditional read still sees it.
  const Reply after = Get(*server_, kPath, "\"0\"", kKioskToken);
  EXPECT_EQ(after.status, 200);
  EXPECT_EQ(after.etag.rfind("\"1-", 0), 0u) << after.etag;
}

// A restored backup counts its saves again: version 3 after the restore is
// other settings than version 3 before it, and a kiosk holding the tag from
// before must get them, at once even when it asks to wait.
TEST_F(KioskRead, ATagFromBeforeARestoreDoesNotPassForTheRestoredChainsSettings) {
  if (TestDatabase::UsingPostgres()) GTEST_SKIP() << "restores an SQLite file by copying it";
  const std::string file = db_->Address().substr(std::string("sqlite:").size());
  auto save = [&](const std::string& message) {
    auto args = ValidSaveArgs();
    SaveField(args, contract::col::DSMSGINITOT) = message;
    ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  };
  auto stopped = [&](const std::function<void()>& work) {
    client_.reset();
    server_.reset();
    work();
    StartServer();
  };
  save("antes do backup");
  stopped([&] { std::filesystem::copy_file(file, file + ".backup"); });
  save("depois do backup");
  save("depois do backup, de novo");
  const Reply held = Get(*server_, kPath);
  stopped([&] {
    std::filesystem::copy_file(file + ".backup", file,
                               std::filesystem::copy_options::overwrite_existing);
  });
  save("restaurado");
  save("restaurado, de novo");
  for (const std::string& path : {std::string(kPath), std::string(kPath) + "?aguardar=30"}) {
    const Reply now = Get(*server_, path, held.etag);
    ASSERT_EQ(now.status, 200) << path;
    EXPECT_EQ(json::parse(now.body)["versao"], json::parse(held.body)["versao"]);
    EXPECT_EQ(json::parse(now.body)["mensagens"]["inicial"], "restaurado, de novo");
  }
}

TEST_F(KioskRead, AWaitEndsWithTheNextSaveOrCopyOrAtItsDeadline) {
  // A save and a copy wake the kiosks themselves: over SQLite the search
  // for other programs' saves, which would find them too, is off.
  StartServer({"--sondagem-sqlite", "0"});
  const std::string wait = std::string(kPath) + "?aguardar=20";
  auto waiting = std::async(std::launch::async, [&] { return Get(*server_, wait, "\"0\""); });
  EXPECT_EQ(waiting.wait_for(300ms), std::future_status::timeout) << "answered before any change";
  ASSERT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  const Reply woken = waiting.get();
  EXPECT_EQ(woken.status, 200);
  EXPECT_EQ(woken.etag.rfind("\"1-", 0), 0u) << woken.etag;
  EXPECT_EQ(json::parse(woken.body)["mensagens"]["inicial"],
            SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Get(*server_, std::string(kPath) + "?aguardar=1", "\"1\"").status, 304);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 900ms);

  // A copy wakes each destination it changes.
  auto second = std::async(std::launch::async, [&] {
    return Get(*server_, "/kiosk/v1/parametros/0001/002?aguardar=20", "\"0\"");
  });
  auto third = std::async(std::launch::async, [&] {
    return Get(*server_, "/kiosk/v1/parametros/0002/001?aguardar=20", "\"0\"");
  });
  ASSERT_TRUE(KiosksWaiting({server_.get()}, 2));
  auto copied = client_->CallJson(
      "setCopiaParametros",
      json::array({"0001", "001",
                   json::array({json::array({"0001", "002"}), json::array({"0002", "001"})})}));
  ASSERT_EQ(copied["result"]["envelope"]["status"], "ok") << copied;
  for (auto* destination : {&second, &third}) {
    ASSERT_EQ(destination->wait_for(5s), std::future_status::ready);
    const Reply reply = destination->get();
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(json::parse(reply.body)["mensagens"]["inicial"],
              SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT));
  }

  // So does an import of the parameters run beside the server.
  StartServer();
  auto fourth = std::async(std::launch::async, [&] {
    return Get(*server_, "/kiosk/v1/parametros/0001/003?aguardar=20", "\"0\"");
  });
  std::string output;
  ASSERT_EQ(ServerProcess::RunTool(
                {"export", "parametros", "--db", db_->Address(), "--output", dir_.File("p.csv")},
                &output),
            0)
      << output;
  // The header and the row of 0001/002 (copied above), as 0001/003's,
  // without 0001/002's version.
  std::ifstream exported(dir_.File("p.csv"));
  std::string header, line, csv;
  std::getline(exported, header);
  while (std::getline(exported, line))
    if (line.rfind("0001,002,", 0) == 0)
      csv = header + "\n0001,003," + line.substr(9, line.rfind(',') - 8) + "\n";
  ASSERT_FALSE(csv.empty());
  WriteFile(dir_.File("p.csv"), csv);
  ASSERT_EQ(ServerProcess::RunTool(
                {"import", "--criar-banco", "--db", db_->Address(), dir_.File("p.csv")}, &output),
            0)
      << output;
  ASSERT_EQ(fourth.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(json::parse(fourth.get().body)["mensagens"]["inicial"],
            SaveField(ValidSaveArgs(), contract::col::DSMSGINITOT));
  // Undoing the copy wakes them again; 0002/001 had no record before it.
  auto undone = std::async(std::launch::async, [&] {
    return Get(*server_, "/kiosk/v1/parametros/0002/001?aguardar=20", "\"1\"");
  });
  ASSERT_TRUE(KiosksWaiting({server_.get()}, 1));
  ASSERT_EQ(client_->Envelope("setDesfazCopia", {"1"})["status"], "ok");
  ASSERT_EQ(undone.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(json::parse(undone.get().body)["configurado"], false);
}

TEST_F(KioskRead, ARestartEndsAWaitClearlyAndTheWatchComesBack) {
  ChildProgram watch({ChildProgram::KioskWatchPath(), "--server",
                      "http://" + server_->Host() + ":" + std::to_string(server_->Port()),
                      "--aguardar", "1", "0001", "001"});
  ASSERT_NE(watch.NextLine(5000).find("\"versao\":0"), std::string::npos);
  // Its waits end unchanged (304) every second meanwhile.
  std::this_thread::sleep_for(2500ms);
  ASSERT_EQ(client_->Envelope("setUpdParametros", ValidSaveArgs())["status"], "ok");
  EXPECT_NE(watch.NextLine(5000).find("\"versao\":1"), std::string::npos);

  auto waiting = std::async(std::launch::async, [&] {
    return Get(*server_, std::string(kPath) + "?aguardar=30", "\"1\"");
  });
  ASSERT_TRUE(KiosksWaiting({server_.get()}, 2));  // this read and the watch's
  server_->RestartOnSamePort();
  const Reply ended = waiting.get();
  EXPECT_EQ(ended.status, 503);
  EXPECT_TRUE(ended.closes);

  client_ = std::make_unique<ModuleClient>(server_->Host(), server_->Port());
  auto args = ValidSaveArgs();
  SaveField(args, contract::col::DSMSGINITOT) = "Depois de reiniciar";
  // The watch reconnects within its first pauses and waits again.
  ASSERT_TRUE(KiosksWaiting({server_.get()}, 1));
  ASSERT_EQ(client_->Envelope("setUpdParametros", args)["status"], "ok");
  const std::string line = watch.NextLine(10000);
  EXPECT_NE(line.find("\"versao\":2"), std::string::npos) << line;
  EXPECT_NE(line.find("Depois de reiniciar"), std::string::npos) << line;
}

}  // namespace
}  // namespace totem::test
