#include "server/cli/backup_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace totem::server {
namespace {

std::runtime_error Failure(const std::string& what, const std::filesystem::path& file) {
  return std::runtime_error(what + " " + file.string() + ": " + std::strerror(errno));
}

void Fsync(const std::filesystem::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) throw Failure("não foi possível abrir", path);
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  if (!synced) throw Failure("não foi possível gravar no disco", path);
}

}  // namespace

std::string SqliteFileOf(const std::string& database, const std::string& refusal) {
  const std::string scheme = "sqlite:";
  if (database.rfind(scheme, 0) == 0 && database.size() > scheme.size())
    return database.substr(scheme.size());
  if (database.rfind("postgres", 0) == 0) throw std::runtime_error(refusal);
  throw std::runtime_error("endereço de base não suportado: \"" + database +
                           "\" (use sqlite:CAMINHO)");
}

UtcStamp UtcStampNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  char compact[32], iso[32];
  std::strftime(compact, sizeof compact, "%Y%m%dT%H%M%SZ", &utc);
  const std::size_t seconds = std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(iso + seconds, sizeof iso - seconds, ".%03dZ",
                static_cast<int>(now.tv_nsec / 1000000));
  return {compact, iso};
}

void FsyncFile(const std::filesystem::path& file) { Fsync(file, O_RDONLY); }

void FsyncFolder(const std::filesystem::path& folder) { Fsync(folder, O_RDONLY | O_DIRECTORY); }

void RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno == EEXIST) throw std::runtime_error(to.string() + " já existe");
  // A file system without RENAME_NOREPLACE: a hard link refuses a taken name
  // too.
  if (errno == EINVAL && ::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return;
  }
  if (errno == EEXIST) throw std::runtime_error(to.string() + " já existe");
  throw Failure("não foi possível dar o nome " + to.string() + " a", from);
}

void RemoveSqliteFiles(const std::filesystem::path& file) noexcept {
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
    std::error_code ignored;
    std::filesystem::remove(file.string() + suffix, ignored);
  }
}

}  // namespace totem::server
