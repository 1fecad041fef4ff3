#include "server/server_log.h"

#include <cstdio>
#include <ctime>
#include <mutex>

namespace totem::server {

void LogLine(std::string_view text) {
  static std::mutex mutex;
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::lock_guard lock(mutex);
  std::fprintf(stderr, "%s totem-server: %.*s\n", stamp, static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

}  // namespace totem::server
