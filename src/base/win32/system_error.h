#pragma once
// The one text every layer gives for a system or Windows Installer error code.
#include <string>

namespace cvinst::win {

// The system's description of `code` (the Windows Installer's own codes included), without the
// line break that ends it; "error N" when the system has none. Never empty.
std::string SystemErrorText(unsigned long code);

}  // namespace cvinst::win
