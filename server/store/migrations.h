#pragma once
// The schema as numbered SQL migrations (server/migrations/NNN_name.sql,
// embedded at build time). Each store applies the ones it has not recorded
// yet, in order, and records them in its schema_migrations table.
#include <span>

namespace totem::server {

struct Migration {
  int version;
  const char* name;
  const char* sql;
};

// Every migration, by ascending version.
std::span<const Migration> Migrations();

}  // namespace totem::server
