#pragma once
// The properties a package itself asks to keep out of logs: its MsiHiddenProperties.
#include <string>
#include <vector>

namespace cvinst {

struct HiddenProperties {
    std::vector<std::string> names;
    std::string problem;  // why the package could not be read; "" when it could
};

// The names the package lists in its MsiHiddenProperties property, read with the Windows
// Installer's database API; none when it lists none. A package that cannot be read (msi.dll not
// loaded, no package, not readable) says why: it is not taken silently for one that hides none.
HiddenProperties PackageHiddenProperties(const std::string& msiPathUtf8);

}  // namespace cvinst
