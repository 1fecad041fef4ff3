// A module with every entry, built for a loader protocol the host does not
// speak: the host must refuse it before running any of its code.
#include "host/components/module_interface.h"

#include <cstdlib>

#define ENTRY extern "C" __attribute__((visibility("default")))

namespace {
const TotemPackageInfo kInfo = {"Pkg_Futuro", "Cli_Futuro", nullptr,
                                totem::host::kLoaderProtocol + 1};
}

ENTRY const TotemPackageInfo* GetPackageInfoTable() { return &kInfo; }
// Running any of these would be a fault of the host: they end the process.
ENTRY void Initialize() { std::abort(); }
ENTRY void Finalize() { std::abort(); }
ENTRY void IniProc() { std::abort(); }
