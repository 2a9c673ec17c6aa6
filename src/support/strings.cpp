#include "support/strings.h"

namespace cvinst {

std::string& AddBackslash(std::string& path) {
    if (path.empty() || path.back() != '\\') {
        path += '\\';
    }
    return path;
}

std::string QuoteStr(std::string_view text) {
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string CutAtNul(std::string_view buffer) {
    return std::string(buffer.substr(0, buffer.find('\0')));
}

}  // namespace cvinst
