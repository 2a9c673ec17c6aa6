#include "ui/win32/version.h"

#include <windows.h>

#include <vector>

#include "ui/profile.h"

namespace cvinst {

std::string ProgramTitle() {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
    unsigned major = 0, minor = 0;
    DWORD ignored = 0;
    DWORD size = n ? GetFileVersionInfoSizeW(path, &ignored) : 0;
    if (size) {
        std::vector<unsigned char> block(size);
        VS_FIXEDFILEINFO* info = nullptr;
        UINT len = 0;
        if (GetFileVersionInfoW(path, 0, size, block.data()) &&
            VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) && info &&
            len >= sizeof(VS_FIXEDFILEINFO)) {
            major = HIWORD(info->dwFileVersionMS);
            minor = LOWORD(info->dwFileVersionMS);
        }
    }
    return ApplicationTitle(major, minor);
}

}  // namespace cvinst
