#pragma once
// Copies of an SQLite database for "totem-server backup" and "restore":
// SQLite's online backup (safe while a server reads and writes the file),
// the checks a copy passes before it is kept or put in place, and the
// record a restore leaves in the copy it restores. Every failure is a
// StoreError whose message, in Portuguese, names the file.
#include "server/store/restauracoes.h"

#include <string>

namespace totem::server {

// Copies the database at source (which must exist: it is never created)
// into a new file at destination with sqlite3_backup_*, in one step: the
// copy is one read transaction, so it holds exactly the commits made before
// it began, and a server goes on saving meanwhile (write-ahead logging lets
// a writer beside a reader). The copy is one self-contained file (rollback
// journal, no -wal), synced by SQLite's commit. On failure destination may
// be left partly written: the caller removes it.
void BackupSqlite(const std::string& source, const std::string& destination);

// The schema version of the SQLite file at path, after refusing a file that
// is not an SQLite database, is damaged (PRAGMA integrity_check), is not a
// database of this program (no schema_migrations with its first migration)
// or has a schema newer than this program knows. An older schema passes:
// the migrations bring it up when it is opened. Opens the file read-write
// (SQLite may write its -wal/-shm beside it while open): give it a copy.
// The messages name the file shownAs (the file the copy was made of), or
// path when it is empty.
int CheckSqliteCopy(const std::string& path, const std::string& shownAs = "");

// Brings the copy at path (checked by CheckSqliteCopy) up to this program's
// schema with the server's migrations, records the restore in it, and
// leaves it one self-contained file, as BackupSqlite does.
void PrepareRestoredCopy(const std::string& path, const Restauracao& restore);

// Moves what the write-ahead log of the database at path holds into the
// file, so that the file alone holds every commit; closing the last
// connection then removes the -wal and -shm. False when SQLite could not
// (a damaged file): the caller then keeps the -wal with the file.
bool CheckpointSqlite(const std::string& path);

}  // namespace totem::server
