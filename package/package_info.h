#pragma once
// The module's loader protocol: what the host application finds in the
// module's shared library.
#include <cstdint>

extern "C" {

// Names the module's unit and the packages it needs loaded first.
struct TotemPackageInfo {
  const char* packageName;        // "Pkg_Ksl80500"
  const char* unitName;           // "Cli_Ksl80500"
  const char* const* requires_;   // null-terminated list of required packages
  std::int32_t version;           // loader protocol version
};

// Exported entries and their types, for the host's loader.
using TotemIniProc = void (*)();
using TotemInitialize = void (*)();
using TotemFinalize = void (*)();
using TotemGetPackageInfoTable = const TotemPackageInfo* (*)();
}

namespace totem::package {

inline constexpr std::int32_t kLoaderProtocol = 1;

// Reference-counted unit start-up and shut-down: the first Initialize runs
// the start-up, the last Finalize the shut-down.
void Initialize();
void Finalize();
int InitializationCount();
const TotemPackageInfo* PackageInfo();

// Creates the screen if it does not exist yet and shows it, with the wait
// cursor meanwhile.
void CtrlParametroToten();

}  // namespace totem::package
