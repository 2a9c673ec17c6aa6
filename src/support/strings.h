#pragma once
#include <string>
#include <string_view>

namespace cvinst {

// Makes sure a folder path ends in a backslash; changes the caller's text and returns it.
std::string& AddBackslash(std::string& path);

// Wraps a text in double quotes.
std::string QuoteStr(std::string_view text);

// The text of a fixed-size buffer up to its first NUL (the whole buffer when there is none).
std::string CutAtNul(std::string_view buffer);

}  // namespace cvinst
