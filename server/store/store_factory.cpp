#include "server/store/store_factory.h"

#include "server/store/pg_store.h"
#include "server/store/sqlite_migrations.h"
#include "server/store/sqlite_store.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace totem::server {

std::unique_ptr<Store> OpenStore(const std::string& address, bool create) {
  // PostgreSQL: a libpq URI as it stands, or "postgresql:" followed by a
  // key=value connection string.
  if (address.rfind("postgresql://", 0) == 0 || address.rfind("postgres://", 0) == 0)
    return std::make_unique<PgStore>(address);
  if (address.rfind("postgresql:", 0) == 0)
    return std::make_unique<PgStore>(address.substr(std::string("postgresql:").size()));
  const std::string scheme = "sqlite:";
  if (address.rfind(scheme, 0) != 0)
    throw std::invalid_argument("endereço de base não suportado: \"" + address +
                                "\" (use sqlite:CAMINHO ou postgresql://...)");
  const std::filesystem::path path = address.substr(scheme.size());
  if (path.empty())
    throw std::invalid_argument("falta o caminho do arquivo em \"" + address + "\"");
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (!create)
      throw StoreError("a pasta " + folder.string() + " da base " + path.string() +
                       " não existe; " + kCreateHint);
    std::filesystem::create_directories(folder, error);
    if (error)
      throw StoreError("não foi possível criar a pasta " + folder.string() + ": " +
                       error.message());
  }
  // SQLite takes a missing or empty file for a new database. (A server
  // stopped hard before its first checkpoint leaves an empty file whose
  // write-ahead log holds everything: that is no new database.)
  const auto bytes = [](const std::filesystem::path& file) -> std::uintmax_t {
    std::error_code missing;
    const auto size = std::filesystem::file_size(file, missing);
    return missing ? 0 : size;
  };
  const std::uintmax_t size = bytes(path);
  if (!create && size == 0 && bytes(path.string() + "-wal") == 0)
    throw StoreError(
        "a base " + path.string() +
        (std::filesystem::exists(path, error) ? " é um arquivo vazio; " : " não existe; ") +
        kCreateHint);
  if (size > 0) RefuseForeignDatabase(path.string());
  return std::make_unique<SqliteStore>(path.string());
}

std::string DatabaseForLog(std::string address) {
  if (auto scheme = address.find("://"); scheme != std::string::npos) {
    const auto at = address.find('@', scheme);
    const auto colon = address.find(':', scheme + 3);
    if (at != std::string::npos && colon != std::string::npos && colon < at)
      address.replace(colon + 1, at - colon - 1, "***");
  }
  for (auto at = address.find("password="); at != std::string::npos;
       at = address.find("password=", at + 1)) {
    const auto end = address.find(' ', at);
    address.replace(at + 9, (end == std::string::npos ? address.size() : end) - at - 9, "***");
  }
  return address;
}

}  // namespace totem::server
