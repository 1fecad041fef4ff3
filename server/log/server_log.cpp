#include "server/log/server_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace totem::server {
namespace {

// One lock for every line, so lines written by several threads never mix.
std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

void LogLine(std::string_view text) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::lock_guard lock(LogMutex());
  std::fprintf(stderr, "%s totem-server: %.*s\n", stamp, static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

void LogRecord(std::string_view line) {
  std::lock_guard lock(LogMutex());
  std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
  std::fflush(stderr);
}

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
