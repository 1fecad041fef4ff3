#pragma once
// The lock by which "restore" knows whether a server is using an SQLite
// database: an advisory flock(2) on a file beside it (totem.db.lock), shared
// by every serving process for as long as it serves, and taken exclusively,
// without waiting, by a restore for as long as it replaces the file.
//
// Why this and not something else:
//  - SQLite's own locks say nothing of an idle server: in WAL mode a server
//    between requests holds no lock on the file at all;
//  - a PID file goes stale when the server is killed (kill -9, a crash, a
//    power loss) and may name another process later; the kernel drops a
//    flock the moment its process ends, however it ends;
//  - flock and SQLite's POSIX (fcntl) locks are separate on Linux, so this
//    lock never interferes with SQLite's;
//  - on a file of its own, never replaced: a lock on the database file
//    itself would stay on the old inode once the restore renames a new file
//    into its name, and a server started then would lock the new one.
// Commands that write beside a server (import, remover, reativar, purgar)
// share it as a server does; those that only read (backup, history,
// export) take no part in it.
#include <optional>
#include <string>

namespace totem::server {

class DatabaseLock {
 public:
  DatabaseLock() = default;
  ~DatabaseLock();
  DatabaseLock(DatabaseLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  DatabaseLock& operator=(DatabaseLock&& other) noexcept;
  DatabaseLock(const DatabaseLock&) = delete;
  DatabaseLock& operator=(const DatabaseLock&) = delete;

  bool Held() const { return fd_ >= 0; }

  // The lock file of the SQLite database at path.
  static std::string FileFor(const std::string& database);

  // For a serving process, before it opens the database; shared with other
  // servers of the same file. Creates the database's folder first when
  // create says so (as opening the store would). Throws std::runtime_error
  // while a restore is replacing the file. A lock that cannot be had for
  // another reason (a missing folder, one this user may not write) comes
  // back not held, with *problem saying why when it is worth a warning:
  // opening the store then reports what is wrong with the folder.
  static DatabaseLock ForServer(const std::string& database, bool create, std::string* problem);

  // For a restore: exclusive, without waiting; none while any server holds
  // it. Throws std::runtime_error when the lock file cannot be made.
  static std::optional<DatabaseLock> ForRestore(const std::string& database);

 private:
  explicit DatabaseLock(int fd) : fd_(fd) {}
  int fd_ = -1;
};

// For a command that writes: the lock a server takes, from the database's
// address ("sqlite:PATH"; none for PostgreSQL). Throws std::runtime_error
// while a restore is replacing the file.
DatabaseLock LockForWriting(const std::string& address, bool create);

}  // namespace totem::server
