#include "ui/win32/version.h"

#include <windows.h>

#include <cstring>

#include "forms/resources.h"
#include "ui/profile.h"

namespace cvinst {

namespace {

// Read straight from the module's own VS_VERSIONINFO resource: version.dll is no known DLL, and a
// setup program must not load one from its own folder. All zero when there is none.
VS_FIXEDFILEINFO FixedFileInfo() {
    VS_FIXEDFILEINFO info{};
    const std::string_view data = win::ResourceBytes(RT_VERSION, VS_VERSION_INFO);
    // wLength, wValueLength, wType, L"VS_VERSION_INFO\0", padding to 32 bits, VS_FIXEDFILEINFO.
    constexpr size_t kFixedOffset = (6 + sizeof(L"VS_VERSION_INFO") + 3) & ~size_t{3};
    if (data.size() >= kFixedOffset + sizeof(VS_FIXEDFILEINFO)) {
        std::memcpy(&info, data.data() + kFixedOffset, sizeof(info));
        if (info.dwSignature != 0xFEEF04BD) info = VS_FIXEDFILEINFO{};
    }
    return info;
}

}  // namespace

std::string ProgramTitle() {
    const VS_FIXEDFILEINFO info = FixedFileInfo();
    return ApplicationTitle(HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS));
}

std::string ProgramVersion() {
    const VS_FIXEDFILEINFO info = FixedFileInfo();
    return std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info.dwFileVersionLS));
}

}  // namespace cvinst
