#pragma once
#include <string_view>

namespace cvinst::win {

// The bytes of one of the running program's resources; empty when it has none of that type and
// id. The view stays valid while the program runs.
std::string_view ResourceBytes(const wchar_t* type, int id);

}  // namespace cvinst::win
