#pragma once
// What the start-up learns of the session it runs in.
#include <string_view>

namespace cvinst {

// Whether install and uninstall may be offered: only to a user who may write the machine's logon
// settings. The program starts only on Windows 7 and later, all of the NT family, so the write
// test is made on every start.
bool EnvironmentAllowsActions();

// Whether a person can see this process's windows (AnyoneSees): false in a window station that
// is not visible or in session 0, as for a program started as SYSTEM or by a service, and false
// when it cannot tell.
bool WindowStationVisible();

// Writes the text and a line break to the standard error stream, when one was handed to us.
void WriteToStandardError(std::string_view text);

}  // namespace cvinst
