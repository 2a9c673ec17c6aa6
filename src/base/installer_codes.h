#pragma once
// The Windows Installer's exit codes: what msiexec's code means for the program it ran for, and
// the codes CVInst itself ends with, which deployment tools already know from msiexec.
#include <string>
#include <string_view>

namespace cvinst::installer {

inline constexpr int Success = 0;
inline constexpr int AccessDenied = 5;       // the privileges message was shown
inline constexpr int UserCancelled = 1602;   // a package's own window was cancelled
inline constexpr int InstallFailure = 1603;  // the run or a package failed
inline constexpr int AlreadyRunning = 1618;  // another CVInst or installation is running
inline constexpr int NothingToRun = 1619;    // the selection left no package to run
inline constexpr int InvalidCommandLine = 1639;
inline constexpr int RebootInitiated = 1641;  // a package started a restart
inline constexpr int InstallSuccess = 1707;   // msiexec's own word for a success
inline constexpr int RebootRequired = 3010;
inline constexpr int RestartNeeded = 3011;  // msiexec's other restart-needed code

// What one msiexec step came to for its program.
enum class Step {
    Done,            // success, a restart needed later included
    Failed,          // the package failed, or msiexec could not be run or waited for
    Cancelled,       // the user cancelled in msiexec's window
    RestartStarted,  // the Windows Installer is restarting the machine
    Busy,            // another installation held the Windows Installer
};

struct CodeMeaning {
    int code;
    Step step;              // what msiexec ending with `code` means for its program
    int exitStatus;         // what it makes of the whole run's exit status
    std::string_view text;  // what CVInst ending with `code` means to a deployment tool
};

// "error N": how a code is named where no text for it is known.
std::string ErrorNumber(unsigned long code);

// The row of `code`; a code no row names is a failure.
const CodeMeaning& MeaningOf(unsigned long code);

// Of two exit statuses, the one a run that met both ends with: a cancel outweighs a failure,
// a failure a restart begun, that another installation in the way, that a needed restart, and
// that a plain success.
int Weightier(int status, int other);

// The exit statuses from the weightiest to the lightest, as the deployment guide lists them.
std::string PrecedenceText();

}  // namespace cvinst::installer
