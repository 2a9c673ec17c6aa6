#include "engine/catalogue.h"

namespace cvinst {

std::string ProgramNames(const std::vector<int>& indices, std::string_view separator) {
    std::string names;
    for (const int index : indices) {
        if (!names.empty()) names += separator;
        names += ProgramCatalogue[index].name;
    }
    return names;
}

}  // namespace cvinst
