// Loads fine, but offers nothing a host looks for.
#include "host/components/module_interface.h"

extern "C" TOTEM_MODULE_EXPORT int NotAnEntry() { return 42; }
