#pragma once
// "totem-server backup PASTA [--manter N]": a copy of the SQLite database,
// taken with SQLite's online backup while the server may be running,
// written under a temporary name in PASTA, checked (integrity and a schema
// this program knows), synced and only then named for the time it was taken
// in UTC (totem-20261209T013900Z.db). Then the copies of that naming beyond
// the newest N (14 by default) are removed. PASTA is created, mode 750, when
// missing. Over PostgreSQL it refuses: pg_dump is the tool there.
#include "server/cli/command_line.h"

#include <iosfwd>
#include <string>

namespace totem::server {

// Reports on out/err; returns the exit code: 1 when no verified copy was
// kept (nothing of it is left in PASTA) or an old copy could not be removed.
int RunBackup(const BackupOptions& options, std::ostream& out, std::ostream& err);

// "totem-YYYYMMDDTHHMMSSZ.db": a name backup gives, the only ones it removes.
bool IsBackupName(const std::string& name);

}  // namespace totem::server
