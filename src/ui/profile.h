#pragma once
// The main window's texts: the two action profiles and the application title.
#include <string>
#include <string_view>

namespace cvinst {

struct Profile {
    std::string_view boxPrefix;    // before each program's name in its check box
    std::string_view readyStatus;  // the status line when ready
    std::string_view buttonCaption;
};

inline constexpr Profile kInstallProfile{"Install ", "Status: Ready To Install Corvane",
                                         "Install Corvane"};
inline constexpr Profile kUninstallProfile{"Uninstall ", "Status: Ready To Uninstall Corvane",
                                           "Uninstall Corvane"};

inline constexpr std::string_view kInstallCaption = "Install Programs To \"Program Files\" Folder";
inline constexpr std::string_view kUninstallCaption =
    "Uninstall Programs From \"Program Files\" Folder";
inline constexpr std::string_view kNothingSelected = "Please select action to perform.";
inline constexpr std::string_view kConfirmRemoval =
    "Are you sure you want to proceed with the removal?";
// Shown instead of the ready text when no package at all lies beside the installer.
inline constexpr std::string_view kNoPackages =
    "Status: No Corvane Packages Found Beside The Installer";

inline constexpr std::string_view kAlreadyRunning =
    "Another Corvane Installer is already running.\nPlease wait until it has finished, then start "
    "it again.";

// "Corvane Installer " and the version's major and minor parts, e.g. "Corvane Installer 1.0".
inline std::string ApplicationTitle(unsigned major, unsigned minor) {
    return "Corvane Installer " + std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace cvinst
