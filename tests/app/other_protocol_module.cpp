// A module with every entry, built for a loader protocol the host does not
// speak: the host must refuse it before running any of its code.
#include "host/components/module_interface.h"

#include <cstdlib>

namespace {
const TotemPackageInfo kInfo = {"Pkg_Futuro", "Cli_Futuro", nullptr,
                                totem::host::kLoaderProtocol + 1};
}

extern "C" TOTEM_MODULE_EXPORT const TotemPackageInfo* GetPackageInfoTable() { return &kInfo; }
// Running any of these would be a fault of the host: they end the process.
extern "C" TOTEM_MODULE_EXPORT void Initialize() { std::abort(); }
extern "C" TOTEM_MODULE_EXPORT void Finalize() { std::abort(); }
extern "C" TOTEM_MODULE_EXPORT void IniProc() { std::abort(); }
