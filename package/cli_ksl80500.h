#pragma once
// The module's unit, Cli_Ksl80500: its start-up and shut-down and the entry
// that opens the kiosk parameter screen. The exported entries (pkg_entry.cpp)
// call these, in the shapes the host's module interface asks for.
#include "host/components/module_interface.h"

namespace totem::package {

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
