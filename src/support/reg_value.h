#pragma once
// The values the registry module writes, encoded as the bytes RegSetValueExA stores.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace cvinst {

using RegValue = std::variant<std::monostate, std::string, int32_t>;

// REG_SZ data: the text (a number as decimal text, empty as "") and one NUL. `ansi` is the
// text already converted to the ANSI code page.
std::vector<uint8_t> EncodeRegSzBytes(const std::string& ansi);
std::string RegValueText(const RegValue& value);

}  // namespace cvinst
