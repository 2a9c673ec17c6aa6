#pragma once
#include <string>
#include <string_view>

namespace cvinst {

// The 16-line usage text; lines 5 and 6 carry the main window's action captions.
std::string BuildHelpText(std::string_view installCaption, std::string_view uninstallCaption);

}  // namespace cvinst
