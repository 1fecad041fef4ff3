#include "server/cli/open_file_limit.h"

#include "server/log/server_log.h"

#include <sys/resource.h>

#include <algorithm>
#include <string>

namespace totem::server {
namespace {

// Descriptors besides the clients': standard streams, the listening socket,
// the event loop's own, log and database files, one database connection per
// worker (two files each with SQLite's WAL), and a margin.
constexpr rlim_t kOwnDescriptors = 64;

}  // namespace

int FitConnectionsToOpenFileLimit(int maxConnections, int workers) {
  const rlim_t needed =
      static_cast<rlim_t>(maxConnections) + kOwnDescriptors + 3 * static_cast<rlim_t>(workers);
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return maxConnections;
  if (limit.rlim_cur < needed) {
    limit.rlim_cur = std::min(needed, limit.rlim_max);
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur >= needed) return maxConnections;
  const rlim_t reserved = needed - static_cast<rlim_t>(maxConnections);
  const int fitting =
      limit.rlim_cur > reserved + 1 ? static_cast<int>(limit.rlim_cur - reserved) : 1;
  LogWarning("o limite de arquivos abertos (ulimit -n) é " + std::to_string(limit.rlim_cur) +
             "; atendendo até " + std::to_string(fitting) + " conexões em vez de " +
             std::to_string(maxConnections) + " (--max-connections precisa de ulimit -n " +
             std::to_string(needed) + ")");
  return fitting;
}

}  // namespace totem::server
