#pragma once
#include <string>
#include <string_view>

namespace cvinst {

// Makes sure a folder path ends in a backslash; changes the caller's text and returns it.
std::string& AddBackslash(std::string& path);

// A blank between the words of a command line or a property list, as Windows splits them: a space
// or a tab. Every reader of such text takes its blanks from here.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The text without blanks at either end.
std::string_view TrimBlanks(std::string_view text);

// Wraps a text in double quotes.
std::string QuoteStr(std::string_view text);

// ASCII letters upper-cased, every other byte as it is: for names Windows compares without case.
char UpperAscii(char c);
std::string UpperAscii(std::string_view text);

}  // namespace cvinst
