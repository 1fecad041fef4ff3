#include "server/store_factory.h"

#include "server/sqlite_store.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace totem::server {

std::unique_ptr<Store> OpenStore(const std::string& address) {
  const std::string scheme = "sqlite:";
  if (address.rfind(scheme, 0) != 0)
    throw std::invalid_argument("endereço de base não suportado: \"" + address +
                                "\" (use sqlite:CAMINHO)");
  const std::filesystem::path path = address.substr(scheme.size());
  if (path.empty()) throw std::invalid_argument("falta o caminho do arquivo em \"" + address + "\"");
  if (path.has_parent_path()) {
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error)
      throw StoreError("não foi possível criar a pasta " + path.parent_path().string() + ": " +
                       error.message());
  }
  return std::make_unique<SqliteStore>(path.string());
}

}  // namespace totem::server
