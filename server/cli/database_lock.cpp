#include "server/cli/database_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace totem::server {
namespace {

std::filesystem::path FolderOf(const std::string& database) {
  const std::filesystem::path path(database);
  return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// Read-only is enough for flock; the group may open it too (the service's).
int OpenLockFile(const std::string& file) {
  return ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0640);
}

}  // namespace

DatabaseLock::~DatabaseLock() {
  if (fd_ >= 0) ::close(fd_);  // releases the lock
}

DatabaseLock& DatabaseLock::operator=(DatabaseLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::string DatabaseLock::FileFor(const std::string& database) { return database + ".lock"; }

DatabaseLock DatabaseLock::ForServer(const std::string& database, bool create,
                                     std::string* problem) {
  const std::filesystem::path folder = FolderOf(database);
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (!create) return {};
    std::filesystem::create_directories(folder, error);
    if (error) return {};
  }
  const std::string file = FileFor(database);
  const int fd = OpenLockFile(file);
  if (fd < 0) {
    *problem = "não foi possível criar " + file + " (" + std::strerror(errno) +
               "): totem-server restore não saberá que este servidor usa a base";
    return {};
  }
  DatabaseLock lock(fd);
  while (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK)
      throw std::runtime_error(
          "a base " + database +
          " está sendo substituída agora por totem-server restore; inicie o servidor depois "
          "que a restauração terminar");
    *problem = "não foi possível travar " + file + " (" + std::strerror(errno) +
               "): totem-server restore não saberá que este servidor usa a base";
    return {};
  }
  return lock;
}

std::optional<DatabaseLock> DatabaseLock::ForRestore(const std::string& database) {
  const std::string file = FileFor(database);
  const int fd = OpenLockFile(file);
  if (fd < 0)
    throw std::runtime_error("não foi possível criar " + file + ": " + std::strerror(errno));
  DatabaseLock lock(fd);
  // Run by root, the file goes to the folder's owner (the service's user),
  // as the server would have made it.
  struct stat folder {};
  if (::geteuid() == 0 && ::stat(FolderOf(database).c_str(), &folder) == 0 &&
      ::fchown(fd, folder.st_uid, folder.st_gid) != 0) {
    // The lock works all the same; a server of that user opens it read-only.
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return std::nullopt;
    throw std::runtime_error("não foi possível travar " + file + ": " + std::strerror(errno));
  }
  return lock;
}

DatabaseLock LockForWriting(const std::string& address, bool create) {
  const std::string scheme = "sqlite:";
  if (address.rfind(scheme, 0) != 0 || address.size() == scheme.size()) return {};
  std::string problem;  // opening the store says what is wrong with the folder
  return DatabaseLock::ForServer(address.substr(scheme.size()), create, &problem);
}

}  // namespace totem::server
