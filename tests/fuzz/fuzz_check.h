#pragma once
// What the fuzz targets share: a property check that aborts (so libFuzzer
// keeps the input as a crash and the run fails) and a field-by-field
// comparison of data packets, which have no equality of their own.
#include "platform/data_packet.h"

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                                           \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "fuzz property broken at %s:%d: %s\n  (%s)\n", __FILE__, __LINE__, \
                   what, #condition);                                                         \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

namespace totem::fuzz {

inline bool SamePacket(const DataPacket& a, const DataPacket& b) {
  if (a.fields.size() != b.fields.size() || a.rows != b.rows) return false;
  for (std::size_t i = 0; i < a.fields.size(); ++i) {
    const auto& x = a.fields[i];
    const auto& y = b.fields[i];
    if (x.name != y.name || x.type != y.type || x.size != y.size) return false;
  }
  return true;
}

}  // namespace totem::fuzz
