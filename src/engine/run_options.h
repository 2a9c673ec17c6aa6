#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/secrets.h"

namespace cvinst {

// How long a run waits for another installation to finish, unless the command line says otherwise.
inline constexpr unsigned long kDefaultWaitSeconds = 600;
// The longest wait the command line may ask for.
inline constexpr unsigned long kLongestWaitSeconds = 1000000;

// How a run is to go, beside the action and the ticked programs: what the command line asked for,
// or nothing of it in an interactive start.
struct RunOptions {
    bool Unattended =
        false;  // no agreement or confirmation dialogs; the window closes after the run
    bool SkipInstalled = false;   // an install leaves present programs alone
    std::string InstallerParams;  // msiexec parameters instead of the defaults; empty = defaults
    // How long each msiexec step may wait for another installation to end; 0: not at all.
    unsigned long WaitSeconds = kDefaultWaitSeconds;
    // The run log the user asked for ("/LOG="), a full path; msiexec then writes a verbose log of
    // each step beside it. Empty: no log was asked for, and msiexec writes none.
    std::string LogPath;
    // No one can see this process's windows: msiexec is given no user interface of its own by
    // default, since nobody could answer it.
    bool NobodySees = false;
    // The properties whose values the run log hides. A step whose parameters set one that its
    // package does not hide from msiexec's own log gets no step log.
    SecretMask Secrets = SecretMask();
    // What each package, by its file name, hides from msiexec's log: its MsiHiddenProperties. A
    // package missing here could not be read and is taken to hide nothing.
    std::map<std::string, std::vector<std::string>, std::less<>> HiddenByPackage;
};

}  // namespace cvinst
