#pragma once
// A register's settings as its kiosk reads them (GET /kiosk/v1/parametros):
// one JSON object with named fields a kiosk developer understands without
// the back office, and the version it shows.
#include "server/store/store.h"

#include <optional>
#include <string>
#include <string_view>

namespace totem::server {

struct KioskReading {
  long long versao = 0;
  std::string body;  // the JSON object
  std::string etag;  // quoted, as the ETag header carries it; see KioskEtag
};

// The entity tag of a body at a version: the version, then a digest of the
// body. A version alone can repeat with other settings (a database restored
// from an older backup counts its saves again), so a kiosk holding a tag
// from before is told it is current only when its settings are the same.
std::string KioskEtag(long long versao, std::string_view body);

// Nothing when the register does not exist. The version is read before the
// record, so the body is never older than the version it carries: a change
// committed in between is at worst sent twice, never missed. Throws
// StoreError.
std::optional<KioskReading> ReadKiosk(Store& store, const std::string& cdFilial,
                                      const std::string& cdCaixa);

// The object for a register at a version; without a record (never saved),
// the fields say so and hold their empty values.
std::string KioskBody(const std::string& cdFilial, const std::string& cdCaixa, long long versao,
                      const std::optional<ParametroCarregado>& record);

}  // namespace totem::server
