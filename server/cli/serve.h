#pragma once
#include "server/cli/command_line.h"

namespace totem::server {

// Opens the store, binds, prints "listening on HOST:PORT" on standard
// output, tells systemd it is ready (when systemd started it) and serves
// until SIGTERM or SIGINT; then lets the calls in flight finish, closes the
// database and returns 0. Returns 1 when it cannot start. SIGHUP re-reads
// the token file.
int RunServer(const ServeOptions& options);

}  // namespace totem::server
