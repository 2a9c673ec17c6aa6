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

}  // namespace cvinst
