#pragma once
#include <string>

namespace cvinst {

// Start-up settings, filled once from the command line.
struct RunOptions {
    bool Unattended = false;     // no agreement or confirmation dialogs; window closes after the run
    bool SkipInstalled = false;  // "/T": an install leaves present programs alone
    std::string InstallerParams; // "/MSI=" text, in the case the user wrote it; empty = defaults
    bool ShowWindow = false;     // "/SHOW"
    bool RightsDenied = false;   // the requested action's option button was disabled
};

// The process-wide instance.
RunOptions& Options();

}  // namespace cvinst
