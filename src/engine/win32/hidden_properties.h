#pragma once
// The properties a package itself asks to keep out of logs: its MsiHiddenProperties.
#include <string>
#include <vector>

namespace cvinst {

// The names the package lists in its MsiHiddenProperties property, read with the Windows
// Installer's database API; none when it lists none or is no package that can be read.
std::vector<std::string> PackageHiddenProperties(const std::string& msiPathUtf8);

}  // namespace cvinst
