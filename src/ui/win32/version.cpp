#include "ui/win32/version.h"

#include <windows.h>

#include <cstring>

#include "forms/resources.h"
#include "ui/profile.h"

namespace cvinst {

// Read straight from the module's own VS_VERSIONINFO resource: version.dll is no known DLL, and a
// setup program must not load one from its own folder.
std::string ProgramTitle() {
    unsigned major = 0, minor = 0;
    const std::string_view data = win::ResourceBytes(RT_VERSION, VS_VERSION_INFO);
    // wLength, wValueLength, wType, L"VS_VERSION_INFO\0", padding to 32 bits, VS_FIXEDFILEINFO.
    constexpr size_t kFixedOffset = (6 + sizeof(L"VS_VERSION_INFO") + 3) & ~size_t{3};
    if (data.size() >= kFixedOffset + sizeof(VS_FIXEDFILEINFO)) {
        VS_FIXEDFILEINFO info;
        std::memcpy(&info, data.data() + kFixedOffset, sizeof(info));
        if (info.dwSignature == 0xFEEF04BD) {
            major = HIWORD(info.dwFileVersionMS);
            minor = LOWORD(info.dwFileVersionMS);
        }
    }
    return ApplicationTitle(major, minor);
}

}  // namespace cvinst
