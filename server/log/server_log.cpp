#include "server/log/server_log.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace totem::server {
namespace {

// One lock for every line, so lines written by several threads never mix.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

// systemd sets JOURNAL_STREAM for a service whose standard error it
// connected to the journal; a child whose standard error was redirected
// elsewhere inherits the variable but not the stream, hence the comparison.
bool StandardErrorIsJournal() {
  const char* stream = std::getenv("JOURNAL_STREAM");
  struct stat info {};
  if (!stream || fstat(2, &info) != 0) return false;
  unsigned long long device = 0, inode = 0;
  if (std::sscanf(stream, "%llu:%llu", &device, &inode) != 2) return false;
  return device == static_cast<unsigned long long>(info.st_dev) &&
         inode == static_cast<unsigned long long>(info.st_ino);
}

void Write(Severity severity, std::string_view head, std::string_view text) {
  std::lock_guard lock(LogMutex());
  if (LogToJournal()) std::fprintf(stderr, "<%d>", static_cast<int>(severity));
  std::fprintf(stderr, "%.*s%.*s\n", static_cast<int>(head.size()), head.data(), static_cast<int>(text.size()),
               text.data());
  std::fflush(stderr);
}

}  // namespace

bool LogToJournal() {
  static const bool journal = StandardErrorIsJournal();
  return journal;
}

void Log(Severity severity, std::string_view text) {
  Write(severity, UtcTimestamp() + " totem-server: ", text);
}

void LogRecord(std::string_view line, Severity severity) { Write(severity, {}, line); }

std::string UtcTimestamp() {
  const auto now = std::chrono::system_clock::now();
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

}  // namespace totem::server
