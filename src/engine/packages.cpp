#include "engine/packages.h"

#include "engine/catalogue.h"
#include "engine/paths.h"

namespace cvinst {

void ChkPackages(const std::string& installerFolder, bool unattended,
                 const std::function<std::string(const std::string&)>& findFile,
                 PackageControls& controls) {
    for (int index = 0; index < kProgramCount; ++index) {
        std::string path = installerFolder;
        AddBackslash(path) += ProgramCatalogue[index].package;
        controls.SetProgramEnabled(index, !findFile(path).empty());
    }
    if (unattended) {
        return;
    }
    for (int index = 0; index < kProgramCount; ++index) {
        if (controls.ProgramEnabled(index)) {
            return;
        }
    }
    controls.DisableActions();
}

}  // namespace cvinst
