#include "server/domain/token_reach.h"

#include "server/domain/parametros_module.h"

#include "platform/parametros_contract.h"

#include <algorithm>
#include <cctype>

namespace totem::server {
namespace {

// The codes the kiosks' read path takes as well: letters and digits, no
// longer than the column.
bool IsCode(std::string_view code, const contract::Column& column) {
  return !code.empty() && code.size() <= static_cast<std::size_t>(column.size) &&
         std::all_of(code.begin(), code.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

}  // namespace

std::optional<TokenReach> TokenReach::Parse(std::string_view list, std::string* problem) {
  TokenReach reach;
  reach.all_ = false;
  std::size_t place = 0;
  while (true) {
    const auto comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    ++place;
    const auto slash = item.find('/');
    const std::string_view filial = item.substr(0, slash);
    const bool valid =
        IsCode(filial, contract::kCdFilial) &&
        (slash == std::string_view::npos || IsCode(item.substr(slash + 1), contract::kCdCaixa));
    if (!valid) {
      if (problem)
        *problem = "o item " + std::to_string(place) +
                   " da lista não é uma filial (0001) nem um caixa (0001/003): códigos de letras e "
                   "dígitos, até " +
                   std::to_string(contract::kCdFilial.size) + " e " +
                   std::to_string(contract::kCdCaixa.size) +
                   " caracteres, separados por vírgula, sem espaços";
      return std::nullopt;
    }
    if (slash == std::string_view::npos)
      reach.filiais_.emplace(filial);
    else
      reach.caixas_.emplace(std::string(filial), std::string(item.substr(slash + 1)));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return reach;
}

bool TokenReach::Reaches(std::string_view cdFilial) const {
  if (all_ || filiais_.count(cdFilial)) return true;
  return std::any_of(caixas_.begin(), caixas_.end(),
                     [&](const auto& caixa) { return caixa.first == cdFilial; });
}

bool TokenReach::Reaches(std::string_view cdFilial, std::string_view cdCaixa) const {
  return all_ || filiais_.count(cdFilial) ||
         caixas_.count({std::string(cdFilial), std::string(cdCaixa)});
}

std::string NoAccessMessage(const std::string& token, const std::string& cdFilial,
                            const std::string& cdCaixa) {
  return "O token " + token + " não tem acesso ao caixa " + cdFilial + "/" + cdCaixa + ".";
}

void RequireReach(const Caller& caller, const std::string& cdFilial, const std::string& cdCaixa) {
  if (!caller.reach.Reaches(cdFilial, cdCaixa))
    throw OutOfReach(NoAccessMessage(caller.token, cdFilial, cdCaixa));
}

}  // namespace totem::server
