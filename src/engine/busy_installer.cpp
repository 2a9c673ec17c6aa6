#include "engine/busy_installer.h"

#include <algorithm>

#include "base/installer_codes.h"
#include "engine/run_texts.h"

namespace cvinst {

std::optional<MsiResult> InstallerTurns::Run(const std::string& arguments,
                                             const std::function<void(bool)>& waiting) {
    const uint64_t deadline = system_.Milliseconds() + uint64_t{waitSeconds_} * 1000;
    unsigned long retryMs = kFirstRetryMs;
    for (;;) {
        if (!WaitForTurn(deadline, waiting)) return std::nullopt;
        log_.Write("msiexec " + arguments);
        const uint64_t start = system_.Milliseconds();
        const MsiResult result = system_.RunMsiExec(arguments);
        const uint64_t took = system_.Milliseconds() - start;
        if (!result.started) {
            log_.Write("msiexec " + result.problem);
            return result;
        }
        log_.Write("msiexec ended with " + std::to_string(result.exitCode) + " after " +
                   Seconds(took) + ": " + Reason(system_, result.exitCode));
        if (result.exitCode != static_cast<unsigned long>(installer::AlreadyRunning)) {
            return result;
        }

        const uint64_t now = system_.Milliseconds();
        if (now >= deadline) {
            log_.Write("Another installation is in progress and the wait is over");
            return std::nullopt;
        }
        const auto pause = static_cast<unsigned long>(std::min<uint64_t>(retryMs, deadline - now));
        log_.Write("Another installation is in progress: trying again in " + Seconds(pause));
        waiting(true);
        system_.Pause(pause);
        waiting(false);
        retryMs = std::min(retryMs * 2, kLongestRetryMs);
    }
}

bool InstallerTurns::WaitForTurn(uint64_t deadline, const std::function<void(bool)>& waiting) {
    if (system_.WaitForInstaller(0)) return true;
    const uint64_t start = system_.Milliseconds();
    if (start >= deadline) {
        log_.Write("The Windows Installer is busy with another installation; not waiting");
        return false;
    }
    log_.Write("The Windows Installer is busy with another installation: waiting up to " +
               Seconds(deadline - start));
    waiting(true);
    const bool free = system_.WaitForInstaller(static_cast<unsigned long>(deadline - start));
    const std::string waited = Seconds(system_.Milliseconds() - start);
    if (!free) {
        log_.Write("The Windows Installer is still busy after " + waited + ": giving up");
        return false;
    }
    log_.Write("The Windows Installer became free after " + waited);
    waiting(false);
    return true;
}

}  // namespace cvinst
