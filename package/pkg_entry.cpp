// The module's exported entries, found by name by the host's loader.
#include "package/cli_ksl80500.h"

extern "C" TOTEM_MODULE_EXPORT void IniProc() { totem::package::CtrlParametroToten(); }
extern "C" TOTEM_MODULE_EXPORT void Initialize() { totem::package::Initialize(); }
extern "C" TOTEM_MODULE_EXPORT void Finalize() { totem::package::Finalize(); }
extern "C" TOTEM_MODULE_EXPORT const TotemPackageInfo* GetPackageInfoTable() {
  return totem::package::PackageInfo();
}
