#include "startup/win32/environment.h"

#include <windows.h>

#include <optional>
#include <string>

#include "startup/session.h"
#include "support/win32/regis.h"

namespace cvinst {

bool EnvironmentAllowsActions() { return CanWriteMachineSettings(); }

bool WindowStationVisible() {
    std::optional<bool> visible;
    USEROBJECTFLAGS flags{};
    if (GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                  nullptr)) {
        visible = (flags.dwFlags & WSF_VISIBLE) != 0;
    }
    std::optional<unsigned long> session;
    DWORD id = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &id)) session = id;
    return AnyoneSees(visible, session);
}

void WriteToStandardError(std::string_view text) {
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) return;
    std::string line(text);
    line += "\r\n";
    DWORD written = 0;
    WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace cvinst
