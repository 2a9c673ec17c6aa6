// marker.exe: records that this very file ran by writing its command line (UTF-8) to a file
// beside itself named after it with ".ran" appended. Copies of it under other names each leave
// their own mark.
#include <windows.h>

#include <string>

int wmain() {
    std::wstring self(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (n == 0 || n >= self.size()) return 1;
    self.resize(n);

    const wchar_t* line = GetCommandLineW();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? bytes - 1 : 0, '\0');
    if (!text.empty()) {
        WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), bytes, nullptr, nullptr);
    }

    // Written aside and renamed, so that a reader never sees a half-written mark.
    const std::wstring partial = self + L".part";
    HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 2;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok) return 3;
    const std::wstring mark = self + L".ran";
    return MoveFileExW(partial.c_str(), mark.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
