#pragma once
#include "server/cli/command_line.h"

namespace totem::server {

// Opens the store, binds, prints "listening on HOST:PORT" on standard
// output and serves until SIGTERM or SIGINT; then lets the calls in flight
// finish, closes the database and returns 0. Returns 1 when it cannot start.
int RunServer(const ServeOptions& options);

}  // namespace totem::server
