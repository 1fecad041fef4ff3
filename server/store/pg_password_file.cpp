#include "server/store/pg_password_file.h"

#include "server/log/server_log.h"

#include <libpq-fe.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>

namespace totem::server {
namespace {

// A path that cannot exist ("/dev/null" is no folder): libpq skips a
// password file it cannot stat without a word.
constexpr const char* kNoFile = "/dev/null/pgpass";

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

// The file libpq reads for this connection's password, as libpq chooses it;
// empty when it reads none.
std::string PasswordFileFor(const std::string& conninfo) {
  if (Env("PGPASSWORD")) return {};
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (!options) {  // libpq says what is wrong with the address when it connects
    PQfreemem(error);
    return {};
  }
  std::string file;
  bool password = false;
  for (const PQconninfoOption* option = options; option->keyword; ++option) {
    if (!option->val || !*option->val) continue;
    if (std::strcmp(option->keyword, "passfile") == 0) file = option->val;
    if (std::strcmp(option->keyword, "password") == 0) password = true;
  }
  PQconninfoFree(options);
  if (password) return {};
  if (file.empty() && Env("PGPASSFILE")) file = Env("PGPASSFILE");
  if (file.empty()) {
    const char* home = Env("HOME");
    if (!home)
      if (const passwd* user = getpwuid(geteuid())) home = user->pw_dir;
    if (home) file = std::string(home) + "/.pgpass";
  }
  return file;
}

// Why libpq would ignore the file; empty when it reads it (or it is not there).
std::string WhyIgnored(const std::string& file) {
  struct stat info {};
  if (file.empty() || stat(file.c_str(), &info) != 0) return {};
  if (!S_ISREG(info.st_mode)) return "não é um arquivo comum";
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) == 0) return {};
  char mode[8];
  std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(info.st_mode & 0777));
  return std::string("pode ser lido por outros usuários (modo ") + mode +
         "); deixe-o só para o dono: chmod 600 " + file;
}

}  // namespace

std::string WithConnectionParameter(const std::string& conninfo, std::string_view key,
                                    std::string_view value) {
  const bool uri = conninfo.find("://") != std::string::npos;
  const char* separator = !uri ? " " : conninfo.find('?') == std::string::npos ? "?" : "&";
  return conninfo + separator + std::string(key) + "=" + std::string(value);
}

std::string WithoutIgnoredPasswordFile(const std::string& conninfo) {
  const std::string file = PasswordFileFor(conninfo);
  const std::string why = WhyIgnored(file);
  if (why.empty()) return conninfo;
  static std::mutex mutex;
  static std::set<std::string> warned;
  {
    std::lock_guard lock(mutex);
    if (warned.insert(file).second)
      LogWarning("o arquivo de senhas do PostgreSQL " + file + " " + why + "; ele é ignorado");
  }
  return WithConnectionParameter(conninfo, "passfile", kNoFile);
}

}  // namespace totem::server
