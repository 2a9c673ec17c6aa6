#pragma once
#include <string>

namespace cvinst {

// How a run is to go, beside the action and the ticked programs: what the command line asked for,
// or nothing of it in an interactive start.
struct RunOptions {
    bool Unattended =
        false;  // no agreement or confirmation dialogs; the window closes after the run
    bool SkipInstalled = false;   // an install leaves present programs alone
    std::string InstallerParams;  // msiexec parameters instead of the defaults; empty = defaults
};

}  // namespace cvinst
