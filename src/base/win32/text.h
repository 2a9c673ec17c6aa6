#pragma once
// UTF-8 inside, UTF-16 and the ANSI code page at the API boundary.
#include <windows.h>

#include <string>
#include <string_view>

namespace cvinst::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// Text in the system's ANSI code page, both ways.
std::string AnsiFromUtf8(std::string_view utf8);
std::string Utf8FromAnsi(std::string_view ansi);

}  // namespace cvinst::win
