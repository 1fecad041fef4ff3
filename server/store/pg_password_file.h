#pragma once
// The PostgreSQL password file, checked before libpq reads it. libpq ignores
// a password file that the group or others may read, or that is not a plain
// file, and says so on standard error itself, outside the log's format and
// without a severity. The server checks the same file first, says it in its
// log as a warning (once per file), and points libpq away from the file it
// would ignore anyway.
#include <string>
#include <string_view>

namespace totem::server {

// conninfo with key=value added: a libpq URI gets it as a query parameter,
// a "key=value" string as one more pair.
std::string WithConnectionParameter(const std::string& conninfo, std::string_view key,
                                    std::string_view value);

// conninfo as given, or, when the password file libpq would read (passfile=,
// PGPASSFILE, ~/.pgpass; none when a password is given) is one libpq
// ignores, conninfo with passfile pointing nowhere, after the warning.
std::string WithoutIgnoredPasswordFile(const std::string& conninfo);

}  // namespace totem::server
