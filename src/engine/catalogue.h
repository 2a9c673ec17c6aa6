#pragma once
// The four programs of the family. Their order is the order of every run and the index of the
// main window's program check boxes.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace cvinst {

struct Program {
    char letter;               // command-line letter of "/P:"
    std::string_view name;     // display name, also its folder under Program Files
    std::string_view package;  // package file beside the installer
    std::string_view marker;   // file whose presence in its folder means "installed"
};

inline constexpr int kProgramCount = 4;
inline constexpr int kPersonalServer = 2;

inline constexpr std::array<Program, kProgramCount> ProgramCatalogue{{
    {'M', "Corvane Menu", "CVMenu.msi", "CVMenu.exe"},
    {'W', "Corvane Workstation", "CVWork.msi", "CVWork.exe"},
    {'S', "Corvane Personal Server", "CVPServ.msi", "CVPServ.exe"},
    {'E', "Corvane Examples", "CVExampl.msi", "start.cvm"},
}};

// The programs' display names joined by `separator`, in the order given.
std::string ProgramNames(const std::vector<int>& indices, std::string_view separator = ", ");

}  // namespace cvinst
