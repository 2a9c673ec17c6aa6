#pragma once
#include <string>

namespace cvinst {

// The application title from the running executable's version resource.
std::string ProgramTitle();
// Major, minor and build of the running executable's version, e.g. "1.0.237" (its resource keeps
// the build in the last of the four parts).
std::string ProgramVersion();

}  // namespace cvinst
