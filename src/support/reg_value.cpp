#include "support/reg_value.h"

namespace cvinst {

namespace {

struct TextOf {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& text) const { return text; }
    std::string operator()(int32_t number) const { return std::to_string(number); }
};

}  // namespace

std::vector<uint8_t> EncodeRegSzBytes(const std::string& ansi) {
    std::vector<uint8_t> bytes(ansi.begin(), ansi.end());
    bytes.push_back(0);
    return bytes;
}

std::string RegValueText(const RegValue& value) { return std::visit(TextOf{}, value); }

}  // namespace cvinst
