#pragma once
// A save's arguments (setUpdParametros) by name rather than by position:
// the branch and the register, then the record's values in the contract's
// order. A name that is none fails the test at once.
#include "platform/parametros_contract.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace totem::test {

inline std::size_t SaveArgIndex(std::string_view name) {
  if (name == contract::col::CDFILIAL) return 0;
  if (name == contract::col::CDCAIXA) return 1;
  const auto index = contract::RecordIndex(name);
  if (!index) throw std::invalid_argument("not a save argument: " + std::string(name));
  return 2 + *index;
}

inline std::string& SaveField(std::vector<std::string>& args, std::string_view name) {
  return args.at(SaveArgIndex(name));
}
inline const std::string& SaveField(const std::vector<std::string>& args, std::string_view name) {
  return args.at(SaveArgIndex(name));
}

}  // namespace totem::test
