#include "form/touch/register_dialogs.h"

#include "form/touch/touch_register_dialogs.h"

namespace totem::form {
namespace {

RegisterDialogs* g_scoped = nullptr;

}  // namespace

RegisterDialogs::~RegisterDialogs() = default;

RegisterDialogs& CurrentRegisterDialogs() {
  // The real dialogs live as long as the module's code does.
  static TouchRegisterDialogs real;
  return g_scoped ? *g_scoped : real;
}

ScopedRegisterDialogs::ScopedRegisterDialogs(RegisterDialogs& dialogs) : previous_(g_scoped) {
  g_scoped = &dialogs;
}

ScopedRegisterDialogs::~ScopedRegisterDialogs() { g_scoped = previous_; }

}  // namespace totem::form
