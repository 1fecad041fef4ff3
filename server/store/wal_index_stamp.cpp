#include "server/store/wal_index_stamp.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::unique_ptr<WalIndexStamp> WalIndexStamp::Open(sqlite3* db) {
  const char* file = sqlite3_db_filename(db, "main");
  if (!file || !*file) return nullptr;
  const std::string path = std::string(file) + "-shm";
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  // The header pages only: SQLite grows the file, never shrinks it while a
  // connection of this process holds it open (and the store's connections
  // outlive this reader).
  const std::size_t length = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  void* map = MAP_FAILED;
  if (fstat(fd, &info) == 0 && static_cast<std::size_t>(info.st_size) >= length)
    map = mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  if (map == MAP_FAILED) return nullptr;
  std::unique_ptr<WalIndexStamp> stamps(new WalIndexStamp(map, length));
  if (!stamps->Read()) return nullptr;
  return stamps;
}

WalIndexStamp::~WalIndexStamp() { munmap(const_cast<void*>(map_), length_); }

std::optional<CommitStamp> WalIndexStamp::Read() const {
  const auto* words = static_cast<const volatile std::uint32_t*>(map_);
  // SQLite writes the second copy first and the first last; reading the
  // first before the second, two equal copies are one commit's header.
  const CommitStamp first = Copy(words);
  std::atomic_thread_fence(std::memory_order_acquire);
  const CommitStamp second = Copy(words + kHeaderBytes / sizeof(std::uint32_t));
  if (first != second || !Sound(first)) return std::nullopt;
  return first;
}

}  // namespace totem::server
