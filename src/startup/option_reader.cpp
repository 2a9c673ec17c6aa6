#include "startup/option_reader.h"

#include "startup/cmdline.h"
#include "support/strings.h"

namespace cvinst {

namespace {

constexpr char kQuote = '"';

// The form whose name stands at `pos`. The names differ in their first letter after the "/", so
// at most one matches.
const OptionForm* FormAt(std::string_view upper, size_t pos) {
    if (pos + 1 >= upper.size()) return nullptr;
    for (const OptionForm& form : kOptionForms) {
        if (form.name[1] == upper[pos + 1] &&
            upper.compare(pos, form.name.size(), form.name) == 0) {
            return &form;
        }
    }
    return nullptr;
}

size_t NextBlank(std::string_view text, size_t from) {
    while (from < text.size() && !IsBlank(text[from])) ++from;
    return from;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the value of `form`, whose name ends at `pos`.
OptionFound ReadValue(std::string_view upper, const OptionForm& form, size_t start, size_t pos) {
    const auto at = static_cast<uint32_t>(pos);
    OptionFound found{static_cast<uint32_t>(start), at, at, at, form.kind, true};
    switch (form.value) {
    case ValueForm::None:
        break;
    case ValueForm::Quoted: {
        if (pos == upper.size() || upper[pos] != kQuote) {
            found.wellFormed = false;
            found.end = found.valueEnd = static_cast<uint32_t>(NextBlank(upper, pos));
            break;
        }
        const size_t close = upper.find(kQuote, pos + 1);
        found.valueStart = at + 1;
        found.wellFormed = close != std::string_view::npos;
        found.valueEnd = static_cast<uint32_t>(found.wellFormed ? close : upper.size());
        found.end = static_cast<uint32_t>(found.wellFormed ? close + 1 : upper.size());
        break;
    }
    case ValueForm::Digits: {
        size_t end = pos;
        while (end < upper.size() && IsDigit(upper[end])) ++end;
        found.wellFormed =
            end > pos && (end == upper.size() || upper[end] == '/' || IsBlank(upper[end]));
        if (!found.wellFormed) end = NextBlank(upper, pos);
        found.end = found.valueEnd = static_cast<uint32_t>(end);
        break;
    }
    case ValueForm::Letters: {
        const size_t slash = upper.find('/', pos);
        found.end = found.valueEnd =
            static_cast<uint32_t>(slash == std::string_view::npos ? upper.size() : slash);
        break;
    }
    }
    return found;
}

}  // namespace

const OptionForm& FormOf(OptionKind kind) {
    for (const OptionForm& form : kOptionForms) {
        if (form.kind == kind) return form;
    }
    return kOptionForms[0];
}

OptionReading ReadOptions(std::string_view argumentText) {
    OptionReading reading;
    reading.original = std::string(argumentText);
    reading.upper = UpperCaseSameLength(argumentText);
    const std::string_view upper = reading.upper;
    // Every option starts with a "/": room for all of them at once.
    size_t slashes = 0;
    for (const char c : upper) slashes += c == '/' ? 1 : 0;
    reading.options.reserve(slashes);
    std::optional<OptionKind> justRead;  // the option that ends where the reading stands
    size_t pos = 0;
    while (pos < upper.size()) {
        if (IsBlank(upper[pos])) {
            justRead.reset();
            ++pos;
            continue;
        }
        if (const OptionForm* form = upper[pos] == '/' ? FormAt(upper, pos) : nullptr) {
            reading.options.push_back(ReadValue(upper, *form, pos, pos + form->name.size()));
            pos = reading.options.back().end;
            justRead = form->kind;
            continue;
        }
        // A word no option begins: up to the next blank or option, a quoted part whole.
        IgnoredText word{pos, pos, justRead};
        while (word.end < upper.size() && !IsBlank(upper[word.end]) &&
               !(upper[word.end] == '/' && FormAt(upper, word.end))) {
            if (upper[word.end] == kQuote) {
                const size_t close = upper.find(kQuote, word.end + 1);
                word.end = close == std::string_view::npos ? upper.size() : close + 1;
            } else {
                ++word.end;
            }
        }
        reading.ignored.push_back(word);
        justRead.reset();
        pos = word.end;
    }
    return reading;
}

const OptionFound* FirstOf(const OptionReading& reading, OptionKind kind) {
    for (const OptionFound& option : reading.options) {
        if (option.kind == kind) return &option;
    }
    return nullptr;
}

size_t CountOf(const OptionReading& reading, OptionKind kind) {
    size_t count = 0;
    for (const OptionFound& option : reading.options) count += option.kind == kind ? 1 : 0;
    return count;
}

std::string_view ValueOf(const std::string& text, const OptionFound& option) {
    return std::string_view(text).substr(option.valueStart, option.valueEnd - option.valueStart);
}

std::string Without(const OptionReading& reading, const std::string& text,
                    std::initializer_list<OptionKind> kinds) {
    std::string left;
    size_t copied = 0;
    for (const OptionFound& option : reading.options) {
        bool drop = false;
        for (const OptionKind kind : kinds) drop = drop || option.kind == kind;
        if (!drop) continue;
        left.append(text, copied, option.start - copied);
        copied = option.end;
    }
    left.append(text, copied);
    return left;
}

std::string DescribeIgnored(const OptionReading& reading) {
    if (reading.ignored.empty()) return {};
    std::string line = "Not an option, ignored on the command line:";
    const char* separator = " ";
    for (const IgnoredText& word : reading.ignored) {
        line += separator;
        line +=
            QuoteStr(std::string_view(reading.original).substr(word.start, word.end - word.start));
        if (word.after) line += " (right after " + std::string(FormOf(*word.after).name) + ")";
        separator = ", ";
    }
    return line;
}

}  // namespace cvinst
