#include "engine/packages.h"

#include "engine/catalogue.h"
#include "support/strings.h"

namespace cvinst {

bool ChkPackages(const std::string& installerFolder, bool unattended,
                 const std::function<std::string(const std::string&)>& findFile,
                 PackageControls& controls) {
    bool any = false;
    for (int index = 0; index < kProgramCount; ++index) {
        std::string path = installerFolder;
        AddBackslash(path) += ProgramCatalogue[index].package;
        const bool present = !findFile(path).empty();
        controls.SetProgramEnabled(index, present);
        any = any || present;
    }
    if (!any && !unattended) controls.DisableActions();
    return any;
}

}  // namespace cvinst
