#include "engine/install_run.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "engine/catalogue.h"
#include "support/strings.h"

namespace cvinst {

namespace {

constexpr unsigned long kMsiSuccess = 0;
constexpr unsigned long kMsiUserCancelled = 1602;
constexpr unsigned long kMsiBusy = 1618;
constexpr unsigned long kMsiRestartStarted = 1641;
constexpr unsigned long kMsiRestartRequired = 3010;

// msiexec that lost the race for the Windows Installer is tried again after these pauses,
// doubling up to the longest.
constexpr unsigned long kFirstRetryMs = 1000;
constexpr unsigned long kLongestRetryMs = 15000;

constexpr std::string_view kServerExe = "CVPServ.exe";
constexpr std::string_view kRegisterSwitch = " /REGISTERCOM";

// For the steps whose failure must neither stop the run nor reach the caller.
template <class Step>
void Ignoring(Step&& step) noexcept {
    try {
        step();
    } catch (...) {}
}

std::string Seconds(uint64_t milliseconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(milliseconds) / 1000.0);
    return text;
}

std::string WithoutExtension(std::string_view path) {
    const size_t name = path.find_last_of("\\/");
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (name != std::string_view::npos && dot < name)) {
        return std::string(path);
    }
    return std::string(path.substr(0, dot));
}

// What one msiexec step (or the wait before it) came to.
enum class Step {
    Done,            // success, a restart needed later included
    Failed,          // the package failed, or msiexec could not be started
    Cancelled,       // the user cancelled in msiexec's window
    RestartStarted,  // the Windows Installer is restarting the machine
    Busy,            // another installation held the Windows Installer past the wait
};

struct StepResult {
    Step step;
    unsigned long code = 0;  // msiexec's exit code; 0 when it could not be started
};

// How the run goes on after a program.
enum class Next { Go, Cancel, Stop };

class Run {
public:
    Run(bool install, const RunOptions& options, RunWindow& window, RunSystem& system, Log& log)
        : install_(install), options_(options), window_(window), system_(system), log_(log) {}

    RunReport Execute() {
        Next next = Next::Go;
        int stoppedAt = -1;
        try {
            if (!options_.Unattended && !Confirmed()) {
                report_.outcome = RunOutcome::Declined;
                return std::move(report_);
            }
            log_.Write(install_ ? "Install run" : "Uninstall run");
            window_.EnableCmds(false);
            prefix_ = std::string("Status: ") + (install_ ? "Installing " : "Uninstalling ");
            window_.Sata(prefix_ + "Corvane...");
            params_ = InstallerParameters(options_.InstallerParams);
            folder_ = system_.InstallerFolder();
            Ignoring([&] { system_.SetCurrentFolder(folder_); });
            programFiles_ = system_.ProgramFilesDir();
            log_.Write("Program Files folder: \"" + programFiles_ + "\"");
            if (programFiles_.size() < 4) {
                return Fail("Invalid Program Files Directory!");
            }
            AddBackslash(programFiles_);
            if (!CommandsFit()) return Refuse();
            // Each box is read only when the run reaches it: a tick changed meanwhile counts.
            for (int index = 0; index < kProgramCount && next == Next::Go; ++index) {
                if (window_.ProgramCheck(index) != 1) continue;
                next = Process(index);
                stoppedAt = index;
            }
            if (next == Next::Stop) NotProcessedAfter(stoppedAt);
        } catch (const std::exception& error) {
            return Fail(error.what());
        } catch (...) {
            return Fail("An unexpected error has occurred.");
        }
        if (!report_.notProcessed.empty()) return Stopped();
        if (next == Next::Cancel || !report_.failures.empty()) {
            return FailPrograms(next == Next::Cancel);
        }
        return Complete();
    }

private:
    bool Confirmed() {
        if (install_) {
            const bool accepted = window_.ConfirmInstall();
            log_.Write(accepted ? "Licence agreement accepted" : "Licence agreement declined");
            return accepted;
        }
        return window_.ConfirmRemoval();
    }

    std::string PackagePath(const Program& program) const {
        std::string path = folder_;
        AddBackslash(path) += program.package;
        return path;
    }

    std::string ProgramPath(const Program& program, std::string_view file) const {
        return programFiles_ + std::string(program.name) + "\\" + std::string(file);
    }

    std::string Arguments(const Program& program, bool installStep) const {
        std::string arguments =
            (installStep ? "/i " : "/x ") + QuoteStr(PackagePath(program)) + params_;
        if (!options_.LogPath.empty() && !AsksForMsiLog(options_.InstallerParams)) {
            arguments +=
                " /L*v " + QuoteStr(MsiLogPath(options_.LogPath, program.package, installStep));
        }
        return arguments;
    }

    // Checked before anything starts: Windows cuts a longer command line short or refuses it.
    bool CommandsFit() {
        for (int index = 0; index < kProgramCount; ++index) {
            if (window_.ProgramCheck(index) != 1) continue;
            const Program& program = ProgramCatalogue[index];
            if (!system_.MsiCommandFits(Arguments(program, true)) ||
                !system_.MsiCommandFits(Arguments(program, false))) {
                return false;
            }
        }
        return true;
    }

    Next Process(int index) {
        const Program& program = ProgramCatalogue[index];
        const std::string name(program.name);
        window_.Sata(prefix_ + name + "...");
        const bool present = !system_.FindFile(ProgramPath(program, program.marker)).empty();

        if (!install_) {
            if (!present) {
                log_.Write(name + ": not installed, nothing to remove");
                return Next::Go;
            }
            log_.Write(name + ": installed, removing it");
            const StepResult removal = RunStep(index, false);
            if (removal.step == Step::Busy) report_.notProcessed.push_back(index);
            return Conclude(index, removal);
        }
        if (present && options_.SkipInstalled) {
            log_.Write(name + ": installed, left as it is (/T)");
            return Next::Go;
        }
        if (present) {
            log_.Write(name + ": installed, removing it and installing it again");
            const StepResult removal = RunStep(index, false);
            // The install decides the program's outcome after a failed removal too: a copy the
            // Windows Installer does not know of cannot be removed, but it can be replaced.
            if (removal.step != Step::Done && removal.step != Step::Failed) {
                if (removal.step != Step::Cancelled) report_.notProcessed.push_back(index);
                return Conclude(index, removal);
            }
        } else {
            log_.Write(name + ": not installed, installing it");
        }
        const StepResult install = RunStep(index, true);
        if (install.step == Step::Busy) report_.notProcessed.push_back(index);
        if (index == kPersonalServer &&
            (install.step == Step::Done || install.step == Step::Failed)) {
            Register(program);
        }
        return Conclude(index, install);
    }

    // Records what the program's last step came to; the run goes on unless it cannot.
    Next Conclude(int index, const StepResult& result) {
        switch (result.step) {
        case Step::Done:
            return Next::Go;
        case Step::Failed:
            report_.failures.push_back({index, result.code});
            return Next::Go;
        case Step::Cancelled:
            report_.failures.push_back({index, result.code});
            return Next::Cancel;
        case Step::RestartStarted:
        case Step::Busy:
            return Next::Stop;
        }
        return Next::Go;
    }

    // The ticked programs after the one the run stopped at.
    void NotProcessedAfter(int index) {
        for (int later = index + 1; later < kProgramCount; ++later) {
            if (window_.ProgramCheck(later) == 1) report_.notProcessed.push_back(later);
        }
    }

    // Started also after a failed install: the registration's own outcome is not read.
    void Register(const Program& program) {
        const std::string exePath = ProgramPath(program, kServerExe);
        bool started = false;
        Ignoring([&] { started = system_.StartProcess(exePath, std::string(kRegisterSwitch)); });
        log_.Write((started ? "Server registration started: \""
                            : "Server registration could not "
                              "be started: \"") +
                   exePath + "\"" + std::string(kRegisterSwitch));
    }

    // One msiexec step, after waiting for another installation to finish, and again when
    // msiexec finds the Windows Installer taken all the same (it lost the race for it).
    StepResult RunStep(int index, bool installStep) {
        const Program& program = ProgramCatalogue[index];
        const std::string arguments = Arguments(program, installStep);
        const uint64_t deadline = system_.Milliseconds() + uint64_t{options_.WaitSeconds} * 1000;
        unsigned long retryMs = kFirstRetryMs;
        for (;;) {
            if (!WaitForTurn(program, deadline)) return {Step::Busy};
            log_.Write("msiexec " + arguments);
            const uint64_t start = system_.Milliseconds();
            const MsiResult result = system_.RunMsiExec(arguments);
            const uint64_t took = system_.Milliseconds() - start;
            if (!result.started) {
                log_.Write("msiexec could not be started");
                return {Step::Failed, 0};
            }
            log_.Write("msiexec ended with " + std::to_string(result.exitCode) + " after " +
                       Seconds(took) + ": " + Reason(result.exitCode));
            if (result.exitCode != kMsiBusy) {
                return {Classify(program, result.exitCode), result.exitCode};
            }

            const uint64_t now = system_.Milliseconds();
            if (now >= deadline) {
                log_.Write("Another installation is in progress and the wait is over");
                return {Step::Busy, result.exitCode};
            }
            const auto pause =
                static_cast<unsigned long>(std::min<uint64_t>(retryMs, deadline - now));
            log_.Write("Another installation is in progress: trying again in " + Seconds(pause));
            window_.Sata(WaitingStatus(program));
            system_.Pause(pause);
            window_.Sata(prefix_ + std::string(program.name) + "...");
            retryMs = std::min(retryMs * 2, kLongestRetryMs);
        }
    }

    // True when the Windows Installer is free (at once, or before the deadline).
    bool WaitForTurn(const Program& program, uint64_t deadline) {
        if (system_.WaitForInstaller(0)) return true;
        const uint64_t start = system_.Milliseconds();
        if (start >= deadline) {
            log_.Write("The Windows Installer is busy with another installation; not waiting");
            return false;
        }
        log_.Write("The Windows Installer is busy with another installation: waiting up to " +
                   Seconds(deadline - start));
        window_.Sata(WaitingStatus(program));
        const bool free = system_.WaitForInstaller(static_cast<unsigned long>(deadline - start));
        const std::string waited = Seconds(system_.Milliseconds() - start);
        if (!free) {
            log_.Write("The Windows Installer is still busy after " + waited + ": giving up");
            return false;
        }
        log_.Write("The Windows Installer became free after " + waited);
        window_.Sata(prefix_ + std::string(program.name) + "...");
        return true;
    }

    std::string WaitingStatus(const Program& program) const {
        return prefix_ + std::string(program.name) +
               ": Waiting For Another Installation To Finish...";
    }

    Step Classify(const Program& program, unsigned long code) {
        const std::string name(program.name);
        switch (code) {
        case kMsiSuccess:
            return Step::Done;
        case kMsiRestartRequired:
            log_.Write(name + ": the machine must be restarted to finish (3010)");
            report_.restartRequired = true;
            return Step::Done;
        case kMsiRestartStarted:
            log_.Write(name + ": the Windows Installer started a restart of the machine (1641)");
            report_.restartStarted = true;
            return Step::RestartStarted;
        case kMsiUserCancelled:
            return Step::Cancelled;
        default:
            return Step::Failed;
        }
    }

    std::string Outcome(std::string_view what) const {
        return std::string(install_ ? "Status: Installation " : "Status: Uninstallation ") +
               std::string(what);
    }

    RunReport Complete() {
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.FocusExit(); });
        Ignoring([&] { window_.Sata(Outcome("Completed")); });
        Ignoring([&] { window_.SetRunDone(true); });
        report_.outcome = RunOutcome::Completed;
        return std::move(report_);
    }

    // The run's own failure: shown even in unattended runs.
    RunReport Fail(std::string description) {
        report_.errorDescription = std::move(description);
        log_.Write("The run failed: " + report_.errorDescription);
        Ignoring([&] { window_.ShowError("Error: " + report_.errorDescription); });
        Finish(Outcome("Failed"));
        report_.outcome = RunOutcome::Failed;
        return std::move(report_);
    }

    RunReport Refuse() {
        RunReport report = Fail(
            "The Windows Installer's command line would be longer than the 32767 characters "
            "Windows allows. Shorten the /MSI= parameters or the installer's folder.");
        report.outcome = RunOutcome::Refused;
        return report;
    }

    RunReport FailPrograms(bool cancelled) {
        if (!options_.Unattended) {
            Ignoring([&] { window_.ShowError("Error: " + FailureList()); });
        }
        Finish(Outcome("Failed"));
        report_.outcome = cancelled ? RunOutcome::Cancelled : RunOutcome::Failed;
        return std::move(report_);
    }

    RunReport Stopped() {
        std::string names;
        for (const int index : report_.notProcessed) {
            if (!names.empty()) names += ", ";
            names += ProgramCatalogue[index].name;
        }
        report_.installerBusy = !report_.restartStarted;
        const std::string why =
            report_.restartStarted ? "Stopped For A Restart" : "Stopped, Windows Installer Busy";
        log_.Write("The run stopped before: " + names);
        if (!options_.Unattended) {
            std::string text = "Error: ";
            if (!report_.failures.empty()) text += FailureList() + "\n\n";
            text += report_.restartStarted
                        ? "The Windows Installer is restarting the computer, so these programs "
                          "were not processed:"
                        : "Another installation kept the Windows Installer busy, so these "
                          "programs were not processed:";
            for (const int index : report_.notProcessed) {
                text += "\n";
                text += ProgramCatalogue[index].name;
            }
            Ignoring([&] { window_.ShowError(text); });
        }
        Finish(Outcome(why + "; Not Processed: " + names));
        report_.outcome = RunOutcome::Stopped;
        return std::move(report_);
    }

    void Finish(const std::string& status) {
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.SetRunDone(true); });
        Ignoring([&] { window_.Sata(status); });
    }

    // One line per program, with its last step's reason.
    std::string FailureList() {
        std::string text = install_ ? "The following programs could not be installed:"
                                    : "The following programs could not be removed:";
        for (const ProgramFailure& failure : report_.failures) {
            text += "\n";
            text += ProgramCatalogue[failure.index].name;
            text += ": ";
            text += failure.code == 0 ? "the Windows Installer could not be started."
                                      : Reason(failure.code);
        }
        return text;
    }

    std::string Reason(unsigned long code) {
        std::string reason;
        Ignoring([&] { reason = system_.ErrorText(code); });
        while (!reason.empty() &&
               (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
            reason.pop_back();
        }
        if (reason.empty()) {
            reason = "error " + std::to_string(code) + ".";
        }
        return reason;
    }

    const bool install_;
    const RunOptions& options_;
    RunWindow& window_;
    RunSystem& system_;
    Log& log_;
    RunReport report_;
    std::string prefix_;
    std::string params_;
    std::string folder_;
    std::string programFiles_;
};

}  // namespace

std::string InstallerParameters(const std::string& installerParams) {
    if (installerParams.empty()) {
        return std::string(kDefaultInstallerParams);
    }
    if (installerParams.front() == ' ') {
        return installerParams;
    }
    return " " + installerParams;
}

std::string MsiLogPath(const std::string& logPath, std::string_view package, bool install) {
    return WithoutExtension(logPath) + "_" + WithoutExtension(package) +
           (install ? "_install.log" : "_uninstall.log");
}

bool AsksForMsiLog(std::string_view installerParams) {
    for (size_t i = 0; i + 1 < installerParams.size(); ++i) {
        const bool wordStart = i == 0 || installerParams[i - 1] == ' ';
        const char option = installerParams[i];
        const char letter = installerParams[i + 1];
        if (wordStart && (option == '/' || option == '-') && (letter == 'l' || letter == 'L')) {
            return true;
        }
    }
    return false;
}

RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system,
                    Log& log) {
    return Run(install, options, window, system, log).Execute();
}

}  // namespace cvinst
