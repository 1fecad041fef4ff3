#include "server/store/wal_index_stamp.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace totem::server {
namespace {

// The WAL-index header as SQLite documents it: iVersion, an unused word,
// iChange (raised by every commit), isInit, the byte order of checksums,
// the page size, mxFrame, nPage, the last frame's checksum, the salts and
// the header's own checksum; 48 bytes, twice in a row at the start of the
// file, in the machine's byte order.
constexpr std::size_t kHeaderBytes = std::tuple_size_v<CommitStamp>;
constexpr std::uint32_t kKnownVersion = 3007000;
constexpr std::size_t kIsInitOffset = 12;

// One copy of the header, read word by word from memory another process
// writes to.
CommitStamp Copy(const volatile std::uint32_t* words) {
  std::uint32_t copy[kHeaderBytes / sizeof(std::uint32_t)];
  for (std::size_t i = 0; i < std::size(copy); ++i) copy[i] = words[i];
  CommitStamp stamp;
  std::memcpy(stamp.data(), copy, kHeaderBytes);
  return stamp;
}

bool Sound(const CommitStamp& header) {
  std::uint32_t version = 0;
  std::memcpy(&version, header.data(), sizeof version);
  return version == kKnownVersion && header[kIsInitOffset] == 1;
}

}  // namespace

std::unique_ptr<WalIndexStamp> WalIndexStamp::Open(const std::string& path) {
  auto connection = std::make_unique<SqliteConnection>(path);
  // A read maps the WAL-index of a connection in WAL mode.
  connection->Prepare("SELECT COUNT(*) FROM sqlite_master").Step();
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(connection->Handle(), "main", SQLITE_FCNTL_FILE_POINTER, &file) !=
          SQLITE_OK ||
      !file || !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap)
    return nullptr;
  // Its first region, as SQLite maps it (32 KiB), without growing it.
  constexpr int kRegionBytes = 32 * 1024;
  void volatile* region = nullptr;
  if (file->pMethods->xShmMap(file, 0, kRegionBytes, 0, &region) != SQLITE_OK || !region)
    return nullptr;
  std::unique_ptr<WalIndexStamp> stamps(new WalIndexStamp(std::move(connection), region));
  if (!stamps->Read()) return nullptr;
  return stamps;
}

std::optional<CommitStamp> WalIndexStamp::Read() const {
  const auto* words = static_cast<const volatile std::uint32_t*>(header_);
  // SQLite writes the second copy first and the first last; reading the
  // first before the second, two equal copies are one commit's header.
  const CommitStamp first = Copy(words);
  std::atomic_thread_fence(std::memory_order_acquire);
  const CommitStamp second = Copy(words + kHeaderBytes / sizeof(std::uint32_t));
  if (first != second || !Sound(first)) return std::nullopt;
  return first;
}

}  // namespace totem::server
