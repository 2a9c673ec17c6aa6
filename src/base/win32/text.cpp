#include "base/win32/text.h"

#include <windows.h>

namespace cvinst::win {
namespace {

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Wide(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }
std::string Utf8(std::wstring_view wide) { return FromWide(CP_UTF8, wide); }
std::string AnsiFromUtf8(std::string_view utf8) { return FromWide(CP_ACP, Wide(utf8)); }
std::string Utf8FromAnsi(std::string_view ansi) { return Utf8(ToWide(CP_ACP, ansi)); }

}  // namespace cvinst::win
