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

// What may stand right before a property name: a name glued to "(" or "," is still one.
bool MayPrecedeName(char c) {
    return EndsWord(c) || c == kQuote || c == '(' || c == ',' || c == ';' || c == '\'';
}

// A quoted part of the text as msiexec reads a command line: from an opening quote to the quote
// that closes it, with "" and \" inside standing for quotes; `close` is the text's size when
// none does.
struct QuotedPart {
    size_t open;
    size_t close;
};

std::vector<QuotedPart> QuotedParts(std::string_view text) {
    std::vector<QuotedPart> parts;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != kQuote) continue;
        size_t j = i + 1;
        while (j < text.size()) {
            const bool pair = j + 1 < text.size() && text[j + 1] == kQuote;
            if ((text[j] == kQuote || text[j] == '\\') && pair) {
                j += 2;
            } else if (text[j] == kQuote) {
                break;
            } else {
                ++j;
            }
        }
        parts.push_back({i, std::min(j, text.size())});
        i = j;
    }
    return parts;
}

// Whether the quote at `close` ends a quoted part for certain: nothing of the word follows it.
bool EndsPart(std::string_view text, size_t close) {
    const size_t next = close + 1;
    return next >= text.size() || EndsWord(text[next]) || text[next] == kQuote ||
           text[next] == ';' || text[next] == ',' || text[next] == ')';
}

// A value that opens with a single quote runs to the next one, which msiexec does not read as a
// quote: the words up to it may all be the value. It stops before a double quote, which belongs
// to msiexec's own quoting.
size_t PastSingleQuotes(std::string_view text, size_t pos, size_t limit) {
    if (pos >= limit || text[pos] != '\'') return pos;
    for (size_t i = pos + 1; i < limit; ++i) {
        if (text[i] == '\'') return i + 1;
        if (text[i] == kQuote) return i;
    }
    return limit;
}

// The end of a value that stands in no quoted part: msiexec's word, which a blank outside quotes
// ends; a quote that never closes runs to the end of the text.
size_t WordEnd(std::string_view text, size_t pos) {
    pos = PastSingleQuotes(text, pos, text.size());
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos];
        const bool pair = pos + 1 < text.size() && text[pos + 1] == kQuote;
        if (quoted && (c == kQuote || c == '\\') && pair) {
            pos += 2;
            continue;
        }
        if (c == kQuote) {
            quoted = !quoted;
        } else if (!quoted && EndsWord(c)) {
            break;
        }
        ++pos;
    }
    return pos;
}

// The end of a value inside a quoted part that closes at `close` (the /MSI="..." of CVInst's own
// command line, a quoted description): the property list in it is read again, with its doubled
// quotes as quotes, and a value whose quotes stay open runs to `close`.
size_t InnerWordEnd(std::string_view text, size_t pos, size_t close) {
    pos = PastSingleQuotes(text, pos, close);
    bool quoted = false;
    while (pos < close) {
        const char c = text[pos];
        if (c == '\\' && pos + 1 < close && text[pos + 1] == kQuote) {
            pos += 2;
        } else if (c == kQuote) {  // inside the part, only as "" or \"
            quoted = !quoted;
            pos += 2;
        } else if (!quoted && EndsWord(c)) {
            return pos;
        } else {
            ++pos;
        }
    }
    return close;
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
    const std::vector<QuotedPart> parts = QuotedParts(text);
    auto part = parts.begin();
    std::string masked;
    size_t copied = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        if (!IsNameChar(text[pos]) || (pos > 0 && !MayPrecedeName(text[pos - 1]))) {
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
        if (!IsSecret(text.substr(pos, nameEnd - pos))) {
            pos = equals + 1;
            continue;
        }
        const size_t value = SkipBlanks(text, equals + 1);
        while (part != parts.end() && part->close < pos) ++part;
        const bool enclosed = part != parts.end() && part->open < pos;
        size_t end = 0;
        if (!enclosed || value == part->close) {
            // Also where the quote after "=" may close the part or open the value: the longer.
            end = WordEnd(text, value);
        } else if (part->open + 1 == pos) {
            // The whole part may be the assignment ("NAME=a b"): blanks do not end the value.
            end = part->close;
        } else {
            end = InnerWordEnd(text, value, part->close);
        }
        // A word that goes on right after the part's closing quote: that quote may as well have
        // opened a quoted part of the value.
        if (enclosed && end == part->close && !EndsPart(text, end)) end = WordEnd(text, end);
        if (end > value && value >= copied) {
            masked.append(text, copied, value - copied);
            masked += kMaskedValue;
        }
        if (end > value) copied = std::max(copied, end);
        // A quote (or single quote) in the value may pair differently with what follows: an
        // assignment inside it could still reach beyond it, so it is read too.
        const bool quoted =
            text.substr(value, end - value).find_first_of("\"'") != std::string_view::npos;
        pos = std::max(quoted ? value : end, equals + 1);
    }
    masked.append(text, copied);
    return masked;
}

}  // namespace cvinst
