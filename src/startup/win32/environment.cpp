#include "startup/win32/environment.h"

#include <windows.h>

#include "support/win32/regis.h"

namespace cvinst {

bool IsWindowsNT() {
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool EnvironmentAllowsActions() { return !IsWindowsNT() || CanWriteMachineSettings(); }

}  // namespace cvinst
