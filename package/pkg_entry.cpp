// The module's exported entries, found by name by the host's loader.
#include "package/cli_ksl80500.h"

#define TOTEM_ENTRY extern "C" __attribute__((visibility("default")))

TOTEM_ENTRY void IniProc() { totem::package::CtrlParametroToten(); }
TOTEM_ENTRY void Initialize() { totem::package::Initialize(); }
TOTEM_ENTRY void Finalize() { totem::package::Finalize(); }
TOTEM_ENTRY const TotemPackageInfo* GetPackageInfoTable() { return totem::package::PackageInfo(); }
