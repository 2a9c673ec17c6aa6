#pragma once
// What a run says: its status lines, its error boxes and how it measures time in the log.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cvinst {

struct ProgramFailure;

class RunSystem;

// The system's text for an exit code; "error N" when the machine gives none or fails to.
std::string Reason(RunSystem& system, unsigned long code);

// "1.5 s".
std::string Seconds(uint64_t milliseconds);

// "Status: Installing " or "Status: Uninstalling ", followed by what is being done.
std::string ProgressStatus(bool install, std::string_view what);
// While a program waits for another installation to finish.
std::string WaitingStatus(bool install, std::string_view program);
// "Status: Installation <what>" or "Status: Uninstallation <what>".
std::string OutcomeStatus(bool install, std::string_view what);

// One line per program, with its last step's reason (`reason` gives it for an exit code).
std::string FailureList(bool install, const std::vector<ProgramFailure>& failures,
                        const std::function<std::string(unsigned long)>& reason);

// Why a run stopped before the last program.
enum class StopReason {
    RestartStarted,  // a package had the Windows Installer restart the machine (1641)
    InstallerBusy,   // another installation outlasted the wait
    MsiexecLost,     // msiexec could not be waited for and may still be running
};

// Why the run stopped, for the status line and the error box.
std::string StoppedStatus(StopReason reason);
std::string StoppedExplanation(StopReason reason);

}  // namespace cvinst
