#pragma once
#include "server/store/store.h"

namespace totem::server {

// Fills an empty store with a small restaurant chain for demonstrations:
// twelve branches (one, a distribution centre, without registers), two to
// four registers per branch, twenty-one product groups and parameter records
// for most registers in every mode. Always the same data. Returns false and
// writes nothing when the store already holds data.
bool FillDemoData(Store& store);

}  // namespace totem::server
