#include "server/cli/restore_command.h"

#include "server/cli/backup_files.h"
#include "server/cli/command_author.h"
#include "server/cli/database_lock.h"
#include "server/store/migrations.h"
#include "server/store/sqlite_backup.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace totem::server {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPgRestoreHint =
    "restore restaura uma base SQLite; no PostgreSQL use pg_restore, como diz o guia de operação "
    "(/usr/share/doc/totem-server/operations.md.gz, \"Backups and restore\", PostgreSQL)";

// What SQLite may keep beside a database: its write-ahead log and the
// log's index, or a rollback journal.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

std::runtime_error Failure(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

void CopyFile(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::none, error);
  if (!error) fs::permissions(to, fs::perms::owner_read | fs::perms::owner_write, error);
  if (error)
    throw std::runtime_error("não foi possível copiar " + from.string() + " para " + to.string() +
                             ": " + error.message());
}

// Gives copy the owner, group and mode of the database it replaces (or, when
// there is none, of the folder's owner, mode 640); says which.
std::string OwnLike(const fs::path& copy, const fs::path& database, const fs::path& folder) {
  struct stat like {};
  mode_t mode = 0640;
  if (::stat(database.c_str(), &like) == 0)
    mode = like.st_mode & 07777;
  else if (::stat(folder.c_str(), &like) != 0)
    throw Failure("não foi possível ler o dono de " + folder.string());
  if (::chown(copy.c_str(), like.st_uid, like.st_gid) != 0)
    throw Failure("não foi possível dar " + copy.string() + " ao dono da base");
  if (::chmod(copy.c_str(), mode) != 0)
    throw Failure("não foi possível mudar o modo de " + copy.string());
  const passwd* user = ::getpwuid(like.st_uid);
  const group* group = ::getgrgid(like.st_gid);
  char octal[8];
  std::snprintf(octal, sizeof octal, "%o", static_cast<unsigned>(mode));
  return "dono " + (user ? std::string(user->pw_name) : std::to_string(like.st_uid)) + ":" +
         (group ? std::string(group->gr_name) : std::to_string(like.st_gid)) + ", modo " + octal;
}

bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

}  // namespace

int RunRestore(const RestoreOptions& options, std::ostream& out, std::ostream& err) {
  fs::path copy;   // the temporary copy, until it takes the database's name
  fs::path aside;  // the replaced database's second name, once made
  std::vector<std::pair<fs::path, fs::path>> moved;  // its companions, moved beside that name
  std::optional<DatabaseLock> lock;                  // held until what failed is undone
  try {
    const Caller author = CommandAuthor("restore", options.autor);
    const fs::path database =
        fs::absolute(SqliteFileOf(options.database, kPgRestoreHint)).lexically_normal();
    const fs::path file = fs::absolute(options.file).lexically_normal();
    const fs::path folder = database.parent_path();
    std::error_code error;
    if (!fs::is_regular_file(file, error))
      throw std::runtime_error(file.string() + " não existe ou não é um arquivo");
    if (Exists(database) && fs::equivalent(file, database, error))
      throw std::runtime_error(file.string() +
                               " é a própria base; dê o arquivo de uma cópia de segurança");
    if (!fs::is_directory(folder, error))
      throw std::runtime_error("a pasta " + folder.string() + " da base não existe");
    lock = DatabaseLock::ForRestore(database.string());
    if (!lock)
      throw std::runtime_error(
          "um servidor está usando a base " + database.string() +
          "; pare-o antes (sudo systemctl stop totem-server) e restaure de novo");

    const UtcStamp now = UtcStampNow();
    copy = database.string() + ".restaurando-" + now.compact;
    CopyFile(file, copy);
    const int version = CheckSqliteCopy(copy.string(), file.string());
    const bool replaces = Exists(database) || Exists(database.string() + "-wal");
    const fs::path keptAs =
        replaces ? fs::path(database.string() + ".substituido-" + now.compact) : fs::path();
    PrepareRestoredCopy(copy.string(), {now.iso, author.token, file.string(), keptAs.string()});
    const std::string owner = OwnLike(copy, database, folder);
    FsyncFile(copy);

    if (replaces) {
      // Whatever the log holds goes into the file first; what cannot (a
      // damaged database) is kept with it under the matching name.
      CheckpointSqlite(database.string());
      if (Exists(database)) {
        if (::link(database.c_str(), keptAs.c_str()) != 0)
          throw Failure("não foi possível guardar a base atual como " + keptAs.string());
        aside = keptAs;
      }
      for (const char* suffix : kCompanions) {
        const fs::path from = database.string() + suffix, to = keptAs.string() + suffix;
        if (!Exists(from)) continue;
        if (::rename(from.c_str(), to.c_str()) != 0)
          throw Failure("não foi possível guardar " + from.string());
        moved.emplace_back(from, to);
      }
    }
    if (::rename(copy.c_str(), database.c_str()) != 0)
      throw Failure("não foi possível pôr a cópia no lugar de " + database.string());
    copy.clear();
    FsyncFolder(folder);

    if (replaces) {
      out << "base anterior guardada como " << keptAs.string() << "\n";
      for (const auto& [from, to] : moved)
        if (to.string().ends_with("-wal"))
          out << "  com o seu registro de escrita " << to.string()
              << ", que o SQLite aplica ao abri-la\n";
    }
    out << "base " << database.string() << " restaurada de " << file.string() << " (esquema "
        << version;
    if (version != SchemaVersion()) out << ", atualizado para " << SchemaVersion();
    out << "; " << owner << ")\n";
    out << "restauração registrada no histórico: " << author.token << " em " << now.iso << "\n";
    out << "inicie o servidor: sudo systemctl start totem-server\n";
    return 0;
  } catch (const std::exception& error) {
    // Back as it was: the companions to their names, the second name gone.
    for (auto it = moved.rbegin(); it != moved.rend(); ++it)
      ::rename(it->second.c_str(), it->first.c_str());
    if (!aside.empty()) ::unlink(aside.c_str());
    if (!copy.empty()) RemoveSqliteFiles(copy);
    err << "totem-server: restauração não feita: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace totem::server
