#include "server/cli/backup_command.h"

#include "server/cli/backup_files.h"
#include "server/store/sqlite_backup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace totem::server {
namespace fs = std::filesystem;
namespace {

constexpr const char* kPgDumpHint =
    "backup copia uma base SQLite; no PostgreSQL use pg_dump, como diz o guia de operação "
    "(/usr/share/doc/totem-server/operations.md.gz, \"Backups and restore\", PostgreSQL)";

// A backup holds every parameter of the chain: the folder is the service
// user's and its group's only.
constexpr fs::perms kFolderMode =
    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
constexpr mode_t kCopyMode = 0640;

// True when it had to be created.
bool MakeFolder(const fs::path& folder) {
  std::error_code error;
  if (fs::is_directory(folder, error)) return false;
  if (fs::exists(folder, error))
    throw std::runtime_error(folder.string() + " existe e não é uma pasta");
  fs::create_directories(folder, error);
  if (!error) fs::permissions(folder, kFolderMode, error);
  if (error)
    throw std::runtime_error("não foi possível criar a pasta " + folder.string() + ": " +
                             error.message());
  return true;
}

// The copies of backup's naming beyond the newest keep, oldest last. The
// names sort as the times they carry.
std::vector<fs::path> Beyond(const fs::path& folder, int keep) {
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file() && IsBackupName(entry.path().filename().string()))
      copies.push_back(entry.path());
  std::sort(copies.begin(), copies.end(), std::greater<>());
  if (copies.size() <= static_cast<std::size_t>(keep)) return {};
  return {copies.begin() + keep, copies.end()};
}

std::string Size(const fs::path& file) {
  const auto bytes = fs::file_size(file);
  return bytes < 1024 * 1024 ? std::to_string((bytes + 1023) / 1024) + " KiB"
                             : std::to_string((bytes + 512 * 1024) / (1024 * 1024)) + " MiB";
}

}  // namespace

bool IsBackupName(const std::string& name) {
  // totem- 8 digits T 6 digits Z .db
  static const std::string shape = "totem-00000000T000000Z.db";
  if (name.size() != shape.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool digit = std::isdigit(static_cast<unsigned char>(name[i]));
    if (shape[i] == '0' ? !digit : name[i] != shape[i]) return false;
  }
  return true;
}

int RunBackup(const BackupOptions& options, std::ostream& out, std::ostream& err) {
  fs::path partial;
  fs::path copy;
  try {
    const std::string database = SqliteFileOf(options.database, kPgDumpHint);
    std::error_code error;
    if (!fs::is_regular_file(database, error))
      throw std::runtime_error("a base " + database + " não existe");
    const fs::path folder = options.folder;
    if (MakeFolder(folder)) out << "pasta criada: " << folder.string() << " (modo 750)\n";

    const std::string name = "totem-" + UtcStampNow().compact + ".db";
    // Hidden and of another naming until it is checked: neither retention
    // nor someone copying the folder away takes it for a backup.
    partial = folder / ("." + name + ".parcial-" + std::to_string(::getpid()));
    BackupSqlite(database, partial.string());
    if (::chmod(partial.c_str(), kCopyMode) != 0)
      throw std::runtime_error("não foi possível restringir as permissões de " + partial.string());
    const int version = CheckSqliteCopy(partial.string());
    FsyncFile(partial);
    RenameWithoutReplacing(partial, folder / name);
    partial.clear();
    copy = folder / name;
    FsyncFolder(folder);
    out << "cópia gravada: " << copy.string() << " (" << Size(copy) << "; integridade ok; esquema "
        << version << ")\n";
  } catch (const std::exception& error) {
    if (!partial.empty()) RemoveSqliteFiles(partial);
    err << "totem-server: backup não feito: " << error.what() << "\n";
    return 1;
  }
  // Only now that the new copy is checked and in place.
  try {
    for (const fs::path& old : Beyond(copy.parent_path(), options.manter)) {
      fs::remove(old);
      out << "cópia antiga removida: " << old.string() << "\n";
    }
    FsyncFolder(copy.parent_path());
  } catch (const std::exception& error) {
    err << "totem-server: a cópia foi gravada, mas as antigas não puderam ser removidas: "
        << error.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace totem::server
