#pragma once
#include <cstdint>
#include <string_view>

namespace cvinst {

// The font character set for a default ANSI code page given as decimal text; 0 when unknown.
int16_t CodePageToCharset(std::string_view codePage);

}  // namespace cvinst
