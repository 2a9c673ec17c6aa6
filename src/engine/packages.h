#pragma once
// Which programs are offered: a program box is enabled only when its package lies beside the
// installer.
#include <functional>
#include <string>

namespace cvinst {

class PackageControls {
public:
    virtual ~PackageControls() = default;
    virtual void SetProgramEnabled(int index, bool enabled) = 0;  // Check1(index).Enabled
    virtual void DisableActions() = 0;                            // Option1(0) and Option1(1)
};

// Enables each program box whose package `findFile` finds beside the installer (it answers "" when
// nothing matches) and, outside an unattended run, disables both actions when there is none.
// Returns whether any package was found.
bool ChkPackages(const std::string& installerFolder, bool unattended,
                 const std::function<std::string(const std::string&)>& findFile,
                 PackageControls& controls);

}  // namespace cvinst
