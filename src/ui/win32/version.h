#pragma once
#include <string>

namespace cvinst {

// The application title from the running executable's version resource.
std::string ProgramTitle();

}  // namespace cvinst
