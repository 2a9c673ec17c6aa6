#pragma once

namespace cvinst {

// Whether install and uninstall may be offered: only to a user who may write the machine's logon
// settings. The program starts only on Windows 7 and later, all of the NT family, so the write
// test is made on every start.
bool EnvironmentAllowsActions();

}  // namespace cvinst
