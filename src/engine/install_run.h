#pragma once
// The install and uninstall run over the ticked programs.
#include <string>
#include <string_view>
#include <vector>

#include "base/installer_codes.h"
#include "engine/run_options.h"
#include "engine/run_seams.h"
#include "support/log.h"

namespace cvinst {

enum class RunOutcome {
    Declined,   // agreement not accepted or removal not confirmed: nothing changed
    Completed,  // every program's last msiexec succeeded (restart codes included)
    Failed,     // the run failed, or at least one program's last msiexec failed
    Cancelled,  // the user cancelled in msiexec's own window (1602): the run stopped there
    Stopped,    // a restart began (1641), the Windows Installer stayed busy or msiexec was lost
                // from sight: the rest not processed
    Refused,    // msiexec's command line would be too long for Windows: nothing was started
};

struct ProgramFailure {
    int index;
    unsigned long code;   // msiexec exit code; 0 when it gave none
    std::string problem;  // when it gave none: why ("could not be started (error 2)")
};

struct RunReport {
    RunOutcome outcome = RunOutcome::Declined;
    std::vector<ProgramFailure> failures;  // programs whose last step failed, in run order
    std::vector<int> notProcessed;         // ticked programs the run stopped before
    std::string
        errorDescription;  // set when the run itself failed ("Invalid Program Files Directory!")
    int exitStatus = installer::UserCancelled;  // what the process ends with after this run
};

// The run itself. `install` true = install, false = uninstall.
RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system,
                    Log& log);

}  // namespace cvinst
