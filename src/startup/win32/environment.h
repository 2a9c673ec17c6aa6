#pragma once
// The start-up check of the platform family and of the user's right to change machine settings.

namespace cvinst {

// True when the system reports the NT platform family; any failure counts as another family.
bool IsWindowsNT();

// Whether install and uninstall may be offered: always outside the NT family, else only to a
// user who may write the machine's logon settings.
bool EnvironmentAllowsActions();

}  // namespace cvinst
