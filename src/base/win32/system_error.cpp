#include "base/win32/system_error.h"

#include <windows.h>

#include "base/installer_codes.h"
#include "base/win32/text.h"

namespace cvinst::win {

namespace {

std::wstring FormatFrom(DWORD source, HMODULE module, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n =
        FormatMessageW(source | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (n != 0 && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    return text;
}

}  // namespace

std::string SystemErrorText(unsigned long code) {
    std::wstring text = FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
    if (text.empty()) {
        // The installer's own codes are described in msi.dll's message table.
        if (HMODULE msi = LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, msi, code);
            FreeLibrary(msi);
        }
    }
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.pop_back();
    }
    return text.empty() ? installer::ErrorNumber(code) : Utf8(text);
}

}  // namespace cvinst::win
