#include "support/strings.h"

namespace cvinst {

std::string& AddBackslash(std::string& path) {
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return path;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string QuoteStr(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

std::string UpperAscii(std::string_view text) {
    std::string upper;
    upper.reserve(text.size());
    for (const char c : text) upper += UpperAscii(c);
    return upper;
}

}  // namespace cvinst
