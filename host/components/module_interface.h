#pragma once
// What a plug-in module must export for the host application to load it:
// four entries found by name, and a package info table that says which
// loader protocol the module was built for. The host defines it; modules
// include it to export what it asks for.
#include <cstdint>

// Marks what a module exports: its entries and any state it shares with
// other modules. Modules are built with hidden symbols, so nothing else of
// theirs is seen outside them.
#if defined(__GNUC__)
#define TOTEM_MODULE_EXPORT __attribute__((visibility("default")))
#else
#define TOTEM_MODULE_EXPORT
#endif

extern "C" {

// Names the module's unit and the packages it needs loaded first.
struct TotemPackageInfo {
  const char* packageName;       // "Pkg_Ksl80500"
  const char* unitName;          // "Cli_Ksl80500"
  const char* const* requires_;  // null-terminated list of required packages
  std::int32_t version;          // loader protocol version
};

// The exported entries' types.
using TotemIniProc = void (*)();
using TotemInitialize = void (*)();
using TotemFinalize = void (*)();
using TotemGetPackageInfoTable = const TotemPackageInfo* (*)();
}

namespace totem::host {

// The loader protocol this host speaks; a module built for another is
// refused before any of its code runs.
inline constexpr std::int32_t kLoaderProtocol = 1;

// The entries' exported names.
inline constexpr const char* kEntryGetPackageInfoTable = "GetPackageInfoTable";
inline constexpr const char* kEntryInitialize = "Initialize";
inline constexpr const char* kEntryFinalize = "Finalize";
inline constexpr const char* kEntryIniProc = "IniProc";

}  // namespace totem::host
