#pragma once
// "totem-server restore ARQUIVO [--autor NOME]": a backup put in place of
// the SQLite database, with the server stopped.
//  1. Refused while a server uses the database (DatabaseLock).
//  2. ARQUIVO is copied to a temporary file beside the database and checked
//     there (an SQLite database of this program, undamaged, of a schema
//     this program knows or older); ARQUIVO itself is only read.
//  3. The copy is migrated to this program's schema and the restore is
//     recorded in it (when, who, which file), then given the owner, group
//     and mode of the database it replaces, and synced.
//  4. The replaced database is kept beside it as
//     totem.db.substituido-20261209T013900Z: its write-ahead log is first
//     checkpointed into it, and when that cannot be done (a damaged file)
//     its -wal and -shm are kept under the matching names, so that SQLite
//     still applies them to it. Then the copy is renamed over the database
//     (atomic) and the folder synced.
// Any failure before the rename leaves the database as it was and no file
// of the restore behind. Over PostgreSQL it refuses: pg_restore is the tool.
#include "server/cli/command_line.h"

#include <iosfwd>

namespace totem::server {

// Reports on out/err; returns the exit code (1 on any refusal or failure).
int RunRestore(const RestoreOptions& options, std::ostream& out, std::ostream& err);

}  // namespace totem::server
