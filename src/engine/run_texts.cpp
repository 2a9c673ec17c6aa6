#include "engine/run_texts.h"

#include <cstdio>

#include "base/installer_codes.h"
#include "engine/catalogue.h"
#include "engine/install_run.h"
#include "engine/run_seams.h"

namespace cvinst {

std::string Reason(RunSystem& system, unsigned long code) {
    std::string reason;
    try {
        reason = system.ErrorText(code);
    } catch (...) {
        // The code itself still says what happened.
    }
    return reason.empty() ? installer::ErrorNumber(code) : reason;
}

std::string Seconds(uint64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

std::string ProgressStatus(bool install, std::string_view what) {
    return std::string(install ? "Status: Installing " : "Status: Uninstalling ") +
           std::string(what);
}

std::string WaitingStatus(bool install, std::string_view program, std::optional<uint64_t> leftMs) {
    std::string text =
        ProgressStatus(install, program) + ": Waiting For Another Installation To Finish";
    if (leftMs) text += " (" + TimeLeft(*leftMs) + " left)";
    return text + "...";
}

std::string TimeLeft(uint64_t milliseconds) {
    const uint64_t seconds = (milliseconds + 999) / 1000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(
            text, sizeof text, "%llu:%02u:%02u", static_cast<unsigned long long>(seconds / 3600),
            static_cast<unsigned>(seconds / 60 % 60), static_cast<unsigned>(seconds % 60));
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(seconds / 60),
                      static_cast<unsigned>(seconds % 60));
    }
    return text;
}

std::string OutcomeStatus(bool install, std::string_view what) {
    return std::string(install ? "Status: Installation " : "Status: Uninstallation ") +
           std::string(what);
}

std::string FailureList(bool install, const std::vector<ProgramFailure>& failures,
                        const std::function<std::string(unsigned long)>& reason) {
    std::string text = install ? "The following programs could not be installed:"
                               : "The following programs could not be removed:";
    for (const ProgramFailure& failure : failures) {
        text += "\n";
        text += ProgramCatalogue[failure.index].name;
        text += ": ";
        text += failure.code == 0 ? "the Windows Installer " + failure.problem + "."
                                  : reason(failure.code);
    }
    return text;
}

std::string ExitStatusLine(int exitStatus) {
    return "Exit status " + std::to_string(exitStatus) + " (" +
           std::string(installer::MeaningOf(static_cast<unsigned long>(exitStatus)).text) + ")";
}

std::string StoppedStatus(StopReason reason) {
    switch (reason) {
    case StopReason::RestartStarted:
        return "Stopped For A Restart";
    case StopReason::InstallerBusy:
        return "Stopped, Windows Installer Busy";
    case StopReason::MsiexecLost:
        break;
    }
    return "Stopped, Windows Installer Not Followed";
}

std::string StoppedExplanation(StopReason reason) {
    switch (reason) {
    case StopReason::RestartStarted:
        return "The Windows Installer is restarting the computer, so these programs were not "
               "processed:";
    case StopReason::InstallerBusy:
        return "Another installation kept the Windows Installer busy, so these programs were not "
               "processed:";
    case StopReason::MsiexecLost:
        break;
    }
    return "The Windows Installer could not be waited for and may still be running, so these "
           "programs were not processed:";
}

}  // namespace cvinst
