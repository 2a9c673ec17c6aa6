#pragma once
// The process exit status, in the msiexec codes that deployment tools already understand.
#include <string_view>

namespace cvinst::exitcode {

inline constexpr int Success = 0;
inline constexpr int AccessDenied = 5;        // the privileges message was shown
inline constexpr int UserCancelled = 1602;    // a package's own window was cancelled
inline constexpr int InstallFailure = 1603;   // the run or a package failed
inline constexpr int RebootInitiated = 1641;  // a package started a restart
inline constexpr int NothingToRun = 1619;     // the selection left no package to run
inline constexpr int AlreadyRunning = 1618;   // another CVInst or installation is running
inline constexpr int InvalidCommandLine = 1639;
inline constexpr int RebootRequired = 3010;

// What a deployment tool should make of a status, for the log.
constexpr std::string_view Meaning(int status) {
    switch (status) {
    case Success:
        return "success";
    case RebootRequired:
        return "success, a restart is needed to finish";
    case RebootInitiated:
        return "success so far, the Windows Installer is restarting the machine";
    case AlreadyRunning:
        return "another installation is in progress: try again later";
    case NothingToRun:
        return "nothing to run: the packages are missing";
    case UserCancelled:
        return "cancelled";
    case InvalidCommandLine:
        return "the command line was refused";
    case AccessDenied:
        return "the user may not change machine-wide settings";
    default:
        return "failed";
    }
}

}  // namespace cvinst::exitcode
