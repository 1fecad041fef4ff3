#pragma once
// Knows whether anything was committed to an SQLite file in WAL mode, by any
// process, without a system call: it reads the header of the file's
// WAL-index (the "-shm" file every connection to the database maps), which
// every commit rewrites. The header is read as SQLite's own readers read it:
// two copies, written in opposite order, equal when no writer is between
// them. The memory is SQLite's own mapping, asked of a connection kept open
// for it: opening the file here would be a second descriptor whose closing
// drops every lock this process holds on it (POSIX record locks belong to
// the process, not to the descriptor).
#include "server/store/sqlite_connection.h"
#include "server/store/store.h"

#include <memory>
#include <optional>
#include <string>

namespace totem::server {

class WalIndexStamp : public CommitStampSource {
 public:
  // The stamps of the database at path; none when it has no WAL-index to
  // read (not in WAL mode) or one in a layout this server does not know.
  static std::unique_ptr<WalIndexStamp> Open(const std::string& path);

  // None while a writer is between the two copies, or when the header no
  // longer reads as one.
  std::optional<CommitStamp> Read() const override;

 private:
  WalIndexStamp(std::unique_ptr<SqliteConnection> connection, const volatile void* header)
      : connection_(std::move(connection)), header_(header) {}
  // Keeps SQLite's mapping of the WAL-index in place.
  std::unique_ptr<SqliteConnection> connection_;
  const volatile void* header_;
};

}  // namespace totem::server
