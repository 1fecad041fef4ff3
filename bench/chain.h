#pragma once
// A chain of branches and registers, ten registers a branch, every register
// with a record, written straight into a database: what the benchmarks
// that need thousands of registers start from.
#include "server/store/store.h"

#include <string>
#include <vector>

namespace totem::bench {

inline constexpr int kRegistersPerBranch = 10;

// n as a code of width digits, with leading zeros.
std::string Code(int n, int width);
// The registers, in order of branch and register.
std::vector<CaixaKey> FillChain(const std::string& address, int registers);
// The kiosks' read path of a register.
std::string KioskPath(const CaixaKey& caixa);

}  // namespace totem::bench
