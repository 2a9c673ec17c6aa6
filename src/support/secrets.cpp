#include "support/secrets.h"

#include <algorithm>
#include <array>
#include <utility>

#include "support/strings.h"

namespace cvinst {

namespace {

constexpr char kQuote = '"';

// A value ends at a blank, and at the end of a line of a longer text.
bool EndsWord(char c) { return IsBlank(c) || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.';
}

size_t SkipBlanks(std::string_view text, size_t pos) {
    while (pos < text.size() && EndsWord(text[pos])) ++pos;
    return pos;
}

// A quote that a blank, a quote, ';' or the end follows closes a text the assignment stands in,
// such as the /MSI="..." of CVInst's own command line or the quotes of a described option.
bool ClosesEnclosingText(std::string_view text, size_t quote) {
    const size_t next = quote + 1;
    return next == text.size() || EndsWord(text[next]) || text[next] == kQuote || text[next] == ';';
}

// Where the value that starts at `pos` ends. `enclosed`: the assignment itself follows a quote.
size_t ValueEnd(std::string_view text, size_t pos, bool enclosed) {
    bool quoted = false;
    if (pos < text.size() && text[pos] == kQuote) {
        quoted = true;
        ++pos;
    }
    while (pos < text.size()) {
        const char c = text[pos];
        if (quoted) {
            const bool quoteNext = pos + 1 < text.size() && text[pos + 1] == kQuote;
            if ((c == kQuote || c == '\\') && quoteNext) {
                pos += 2;
                continue;
            }
            if (c == kQuote) quoted = false;
            ++pos;
            continue;
        }
        if (c == kQuote) {
            if (ClosesEnclosingText(text, pos)) break;
            quoted = true;
        } else if (EndsWord(c) && !enclosed) {
            break;
        }
        ++pos;
    }
    return pos;
}

}  // namespace

bool IsSecretPropertyName(std::string_view name) {
    static constexpr std::array<std::string_view, 6> kWords = {"PASSWORD", "PASSWD", "PWD",
                                                               "SECRET",   "TOKEN",  "PIDKEY"};
    const std::string upper = UpperAscii(name);
    return std::any_of(kWords.begin(), kWords.end(), [&](std::string_view word) {
        return upper.find(word) != std::string::npos;
    });
}

std::vector<std::string> SplitPropertyList(std::string_view list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string_view::npos) end = list.size();
        size_t first = SkipBlanks(list, start);
        size_t last = end;
        while (last > first && EndsWord(list[last - 1])) --last;
        if (last > first) names.emplace_back(list.substr(first, last - first));
        start = end + 1;
    }
    return names;
}

SecretMask::SecretMask(std::vector<std::string> hiddenNames) { AddHidden(hiddenNames); }

void SecretMask::AddHidden(std::string_view name) {
    if (!name.empty()) hidden_.push_back(UpperAscii(name));
}

void SecretMask::AddHidden(const std::vector<std::string>& names) {
    for (const std::string& name : names) AddHidden(name);
}

bool SecretMask::IsSecret(std::string_view name) const {
    if (IsSecretPropertyName(name)) return true;
    const std::string upper = UpperAscii(name);
    return std::find(hidden_.begin(), hidden_.end(), upper) != hidden_.end();
}

std::string SecretMask::operator()(std::string_view text) const {
    std::string masked;
    size_t copied = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const bool nameStart = IsNameChar(text[pos]) &&
                               (pos == 0 || EndsWord(text[pos - 1]) || text[pos - 1] == kQuote);
        if (!nameStart) {
            ++pos;
            continue;
        }
        size_t nameEnd = pos;
        while (nameEnd < text.size() && IsNameChar(text[nameEnd])) ++nameEnd;
        const size_t equals = SkipBlanks(text, nameEnd);
        if (equals == text.size() || text[equals] != '=') {
            pos = nameEnd;
            continue;
        }
        const size_t value = SkipBlanks(text, equals + 1);
        if (!IsSecret(text.substr(pos, nameEnd - pos))) {
            pos = equals + 1;
            continue;
        }
        const size_t end = ValueEnd(text, value, pos > 0 && text[pos - 1] == kQuote);
        if (end > value) {
            masked.append(text, copied, value - copied);
            masked += kMaskedValue;
            copied = end;
        }
        pos = std::max(end, equals + 1);
    }
    masked.append(text, copied);
    return masked;
}

}  // namespace cvinst
