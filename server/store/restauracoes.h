#pragma once
// The restores a database went through (table restauracao, migration 005):
// "totem-server restore" writes one row into the copy it puts in place, so
// the record travels with the data it describes.
#include "server/store/store.h"

#include <string>
#include <vector>

namespace totem::server {

struct Restauracao {
  std::string quando;       // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ", as the saves' times
  std::string autor;        // "restore:PERSON"
  std::string arquivo;      // the backup file restored
  std::string substituido;  // where the replaced database was kept; empty when there was none
};

// Every restore recorded in the store's database, oldest first; none for a
// store that is not over SQL.
std::vector<Restauracao> ListRestauracoes(Store& store);

namespace sql {

inline constexpr const char* kInsertRestauracao =
    "INSERT INTO restauracao (nrrestauracao, dtrestauracao, nmautor, dsarquivo, dssubstituido)"
    " SELECT COALESCE(MAX(nrrestauracao), 0) + 1, ?, ?, ?, ? FROM restauracao";
inline constexpr const char* kSelectRestauracoes =
    "SELECT dtrestauracao, nmautor, dsarquivo, dssubstituido FROM restauracao ORDER BY "
    "nrrestauracao";

}  // namespace sql

}  // namespace totem::server
