#pragma once
#include <string>
#include <string_view>

namespace cvinst {

// Makes sure a folder path ends in a backslash; changes the caller's text and returns it.
std::string& AddBackslash(std::string& path);

// Wraps a text in double quotes.
std::string QuoteStr(std::string_view text);

}  // namespace cvinst
