#pragma once
// Knows whether anything was committed to an SQLite file in WAL mode, by any
// process, without a system call: it reads the header of the file's
// WAL-index (the "-shm" file every connection to the database maps), which
// every commit rewrites. The header is read as SQLite's own readers read it:
// two copies, written in opposite order, equal when no writer is between
// them.
#include "server/store/store.h"

#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace totem::server {

class WalIndexStamp : public CommitStampSource {
 public:
  // The stamps of the database db is open on; none when it has no
  // WAL-index file to read (not in WAL mode, in memory) or one in a layout
  // this server does not know.
  static std::unique_ptr<WalIndexStamp> Open(sqlite3* db);
  ~WalIndexStamp() override;
  WalIndexStamp(const WalIndexStamp&) = delete;
  WalIndexStamp& operator=(const WalIndexStamp&) = delete;

  // None while a writer is between the two copies, or when the header no
  // longer reads as one.
  std::optional<CommitStamp> Read() const override;

 private:
  WalIndexStamp(const void* map, std::size_t length) : map_(map), length_(length) {}
  const void* map_;
  std::size_t length_;
};

}  // namespace totem::server
