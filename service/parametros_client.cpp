#include "service/parametros_client.h"

namespace totem::service {

ParametrosClient::~ParametrosClient() = default;

}  // namespace totem::service
