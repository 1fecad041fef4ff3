// A PostgreSQL role that must give its password (the test cluster's
// password role): the server never takes it on its command line, and finds
// it where libpq looks, PGPASSFILE (or ~/.pgpass) and PGPASSWORD; sslmode
// in the address reaches libpq, and every failure is said at start.
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

using totem::test::ServerProcess;
using totem::test::TempDir;

namespace {

std::string ReadLine(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// The variable set for the servers started while it lives.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() { unsetenv(name_); }

 private:
  const char* name_;
};

class PgPassword : public ::testing::Test {
 protected:
  const std::filesystem::path cluster_ =
      std::filesystem::path(std::getenv("TOTEM_TEST_PG_FILE")).parent_path();
  const std::string conninfo_ = ReadLine(cluster_ / "password-conninfo");
  const std::string password_ = ReadLine(cluster_ / "password");
  const std::string address_ = "postgresql:" + conninfo_;
  TempDir dir_;
};

TEST_F(PgPassword, ComesFromWhereLibpqLooksAndNeverFromTheCommandLine) {
  std::string output;
  EXPECT_EQ(ServerProcess::RunTool({"export", "parametros", "--db", address_}, &output), 1);
  EXPECT_NE(output.find("no password supplied"), std::string::npos) << output;

  EXPECT_EQ(ServerProcess::RunTool(
                {"export", "parametros", "--db", address_ + " password=" + password_}, &output),
            2);
  EXPECT_NE(output.find("a senha da base não vai na linha de comando"), std::string::npos)
      << output;
  EXPECT_EQ(output.find(password_), std::string::npos) << "the password was repeated";

  // HOST:PORT:DATABASE:USER:PASSWORD, readable by its owner only (libpq
  // ignores a password file others can read).
  const std::string passFile = dir_.File("pgpass");
  std::ofstream(passFile) << "*:*:*:totem_senha:" << password_ << "\n";
  chmod(passFile.c_str(), 0600);
  {
    ScopedEnv passfile("PGPASSFILE", passFile);
    ServerProcess server({address_, true, {}});
    EXPECT_TRUE(server.Running());
  }
  // One others may read: libpq ignores it, and the server's log says so as
  // a warning of its own format, not libpq's bare line.
  chmod(passFile.c_str(), 0644);
  {
    ScopedEnv passfile("PGPASSFILE", passFile);
    EXPECT_EQ(ServerProcess::RunTool({"export", "parametros", "--db", address_}, &output), 1);
    EXPECT_TRUE(std::regex_search(
        output, std::regex("Z totem-server: o arquivo de senhas do PostgreSQL " + passFile +
                           R"( pode ser lido por outros usuários \(modo 644\))")))
        << output;
    EXPECT_EQ(output.find("WARNING: password file"), std::string::npos) << output;
  }
  {
    ScopedEnv variable("PGPASSWORD", password_);
    EXPECT_EQ(ServerProcess::RunTool({"export", "parametros", "--db", address_}, &output), 0)
        << output;
    EXPECT_NE(output.find("CDFILIAL,CDCAIXA"), std::string::npos) << output;
    // The test cluster speaks no TLS: a server told to require it says so.
    EXPECT_EQ(ServerProcess::RunTool(
                  {"export", "parametros", "--db", address_ + " sslmode=require"}, &output),
              1);
    EXPECT_NE(output.find("SSL"), std::string::npos) << output;
  }
}

}  // namespace
