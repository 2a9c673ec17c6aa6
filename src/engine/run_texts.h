#pragma once
// What a run says: its status lines, its error boxes and how it measures time in the log.
#include <cstdint>
#include <functional>
#include <optional>
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
// While a program waits for another installation to finish; with `leftMs`, how long the wait may
// still last.
std::string WaitingStatus(bool install, std::string_view program,
                          std::optional<uint64_t> leftMs = std::nullopt);
// Time left as a person reads it on a countdown, in whole seconds rounded up: "9:58", "1:00:00".
std::string TimeLeft(uint64_t milliseconds);
// "Status: Installation <what>" or "Status: Uninstallation <what>".
std::string OutcomeStatus(bool install, std::string_view what);

// One line per program, with its last step's reason (`reason` gives it for an exit code).
std::string FailureList(bool install, const std::vector<ProgramFailure>& failures,
                        const std::function<std::string(unsigned long)>& reason);

// The log's last line of a run: the exit status and what it means to a deployment tool.
std::string ExitStatusLine(int exitStatus);

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
