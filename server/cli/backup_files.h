#pragma once
// File steps shared by the backup and restore commands: which SQLite file an
// address names, UTC time stamps for names and records, and writes made
// durable (fsync of a file and of the folder that names it). Failures throw
// std::runtime_error with a Portuguese message naming the file.
#include <filesystem>
#include <string>

namespace totem::server {

// The file of "sqlite:PATH". A PostgreSQL address is refused, with refusal
// (what to use instead) as the message; anything else is not understood.
std::string SqliteFileOf(const std::string& database, const std::string& refusal);

// One instant in UTC, as file names take it ("20261209T013900Z") and as
// records keep it, the history's saves included ("2026-12-09T01:39:00.123Z").
struct UtcStamp {
  std::string compact;
  std::string iso;
};
UtcStamp UtcStampNow();

void FsyncFile(const std::filesystem::path& file);
// After a rename or a removal in it: the new name survives a power loss.
void FsyncFolder(const std::filesystem::path& folder);

// Renames from to to, refusing to replace a file to names already.
void RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes an SQLite file and what SQLite may keep beside it (-journal, -wal,
// -shm), ignoring what is not there.
void RemoveSqliteFiles(const std::filesystem::path& file) noexcept;

}  // namespace totem::server
