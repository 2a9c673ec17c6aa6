#pragma once
// The process exit status, in the msiexec codes that deployment tools already understand.
namespace cvinst::exitcode {

inline constexpr int Success = 0;
inline constexpr int AccessDenied = 5;        // the privileges message was shown
inline constexpr int UserCancelled = 1602;    // a package's own window was cancelled
inline constexpr int InstallFailure = 1603;   // the run or a package failed
inline constexpr int RebootInitiated = 1641;  // a package started a restart
inline constexpr int NothingToRun = 1619;     // unattended selection left no package to run
inline constexpr int AlreadyRunning = 1618;   // another CVInst is running
inline constexpr int InvalidCommandLine = 1639;
inline constexpr int RebootRequired = 3010;

}  // namespace cvinst::exitcode
