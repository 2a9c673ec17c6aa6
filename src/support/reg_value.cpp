#include "support/reg_value.h"

#include <charconv>
#include <string_view>

namespace cvinst {

namespace {

struct TextOf {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(int32_t number) const { return std::to_string(number); }
};

std::optional<int32_t> ParseInt32(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    // from_chars takes a minus but not a plus.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    int32_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return number;
}

struct DwordOf {
    std::optional<int32_t> operator()(std::monostate) const { return std::nullopt; }
    std::optional<int32_t> operator()(const std::string& text) const { return ParseInt32(text); }
    std::optional<int32_t> operator()(int32_t number) const { return number; }
};

}  // namespace

std::vector<uint8_t> EncodeRegSzBytes(const std::string& ansi) {
    std::vector<uint8_t> bytes(ansi.begin(), ansi.end());
    bytes.push_back(0);
    return bytes;
}

std::string RegValueText(const RegValue& value) { return std::visit(TextOf{}, value); }

std::optional<int32_t> RegValueDword(const RegValue& value) { return std::visit(DwordOf{}, value); }

}  // namespace cvinst
