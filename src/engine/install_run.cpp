#include "engine/install_run.h"

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
constexpr unsigned long kMsiRestartStarted = 1641;
constexpr unsigned long kMsiRestartRequired = 3010;

constexpr std::string_view kServerExe = "CVPServ.exe";
constexpr std::string_view kRegisterSwitch = " /REGISTERCOM";

// For the steps whose failure must neither stop the run nor reach the caller.
template <class Step>
void Ignoring(Step&& step) noexcept {
    try {
        step();
    } catch (...) {}
}

class Run {
public:
    Run(bool install, const RunOptions& options, RunWindow& window, RunSystem& system)
        : install_(install), options_(options), window_(window), system_(system) {}

    RunReport Execute() {
        bool cancelled = false;
        try {
            if (!options_.Unattended) {
                const bool confirmed =
                    install_ ? window_.ConfirmInstall() : window_.ConfirmRemoval();
                if (!confirmed) {
                    report_.outcome = RunOutcome::Declined;
                    return std::move(report_);
                }
            }
            window_.EnableCmds(false);
            prefix_ = std::string("Status: ") + (install_ ? "Installing " : "Uninstalling ");
            window_.Sata(prefix_ + "Corvane...");
            params_ = InstallerParameters(options_.InstallerParams);
            folder_ = system_.InstallerFolder();
            Ignoring([&] { system_.SetCurrentFolder(folder_); });
            programFiles_ = system_.ProgramFilesDir();
            if (programFiles_.size() < 4) {
                return Fail("Invalid Program Files Directory!");
            }
            AddBackslash(programFiles_);
            // Each box is read only when the run reaches it: a tick changed meanwhile counts.
            for (int index = 0; index < kProgramCount; ++index) {
                if (window_.ProgramCheck(index) == 1 && !Process(index)) {
                    cancelled = true;
                    break;
                }
            }
        } catch (const std::exception& error) {
            return Fail(error.what());
        } catch (...) {
            return Fail("An unexpected error has occurred.");
        }
        if (cancelled || !report_.failures.empty()) {
            return FailPrograms(cancelled);
        }
        return Complete();
    }

private:
    // False when the user cancelled in msiexec's window, which ends the run.
    bool Process(int index) {
        const Program& program = ProgramCatalogue[index];
        window_.Sata(prefix_ + std::string(program.name) + "...");
        const std::string markerPath =
            programFiles_ + std::string(program.name) + "\\" + std::string(program.marker);
        const bool present = !system_.FindFile(markerPath).empty();
        std::string packagePath = folder_;
        AddBackslash(packagePath) += program.package;
        const std::string target = QuoteStr(packagePath) + params_;

        if (!install_) {
            return !present || Msi(index, "/x " + target);
        }
        if (present && options_.SkipInstalled) {
            return true;
        }
        if (present && !Msi(index, "/x " + target)) {
            return false;
        }
        if (!Msi(index, "/i " + target)) {
            return false;
        }
        if (index == kPersonalServer) {
            // Started also after a failed install: the registration's own outcome is not read.
            const std::string exePath =
                programFiles_ + std::string(program.name) + "\\" + std::string(kServerExe);
            Ignoring([&] { system_.StartProcess(exePath, std::string(kRegisterSwitch)); });
        }
        return true;
    }

    // Runs one msiexec and records its outcome; false only for a cancel by the user.
    bool Msi(int index, const std::string& arguments) {
        const MsiResult result = system_.RunMsiExec(arguments);
        if (!result.started) {
            report_.failures.push_back({index, 0});
            return true;
        }
        switch (result.exitCode) {
        case kMsiSuccess:
            break;
        case kMsiRestartRequired:
            report_.restartRequired = true;
            break;
        case kMsiRestartStarted:
            report_.restartStarted = true;
            break;
        default:
            report_.failures.push_back({index, result.exitCode});
            return result.exitCode != kMsiUserCancelled;
        }
        return true;
    }

    std::string FailedStatus() const {
        return install_ ? "Status: Installation Failed" : "Status: Uninstallation Failed";
    }

    RunReport Complete() {
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.FocusExit(); });
        Ignoring([&] {
            window_.Sata(install_ ? "Status: Installation Completed"
                                  : "Status: Uninstallation Completed");
        });
        Ignoring([&] { window_.SetRunDone(true); });
        report_.outcome = RunOutcome::Completed;
        return std::move(report_);
    }

    // The run's own failure: shown even in unattended runs.
    RunReport Fail(std::string description) {
        report_.errorDescription = std::move(description);
        Ignoring([&] { window_.ShowError("Error: " + report_.errorDescription); });
        Finish();
        report_.outcome = RunOutcome::Failed;
        return std::move(report_);
    }

    RunReport FailPrograms(bool cancelled) {
        if (!options_.Unattended) {
            Ignoring([&] { window_.ShowError("Error: " + FailureList()); });
        }
        Finish();
        report_.outcome = cancelled ? RunOutcome::Cancelled : RunOutcome::Failed;
        return std::move(report_);
    }

    void Finish() {
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.SetRunDone(true); });
        Ignoring([&] { window_.Sata(FailedStatus()); });
    }

    // One line per program; a program whose removal and install both failed is named once, with
    // the install's code, which is the one that decides whether it is there now.
    std::string FailureList() {
        std::vector<ProgramFailure> lines;
        for (const ProgramFailure& failure : report_.failures) {
            if (!lines.empty() && lines.back().index == failure.index) {
                lines.back() = failure;
            } else {
                lines.push_back(failure);
            }
        }
        std::string text = install_ ? "The following programs could not be installed:"
                                    : "The following programs could not be removed:";
        for (const ProgramFailure& line : lines) {
            text += "\n";
            text += ProgramCatalogue[line.index].name;
            text += ": ";
            text += Reason(line.code);
        }
        return text;
    }

    std::string Reason(unsigned long code) {
        if (code == 0) {
            return "the Windows Installer could not be started.";
        }
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

RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system) {
    return Run(install, options, window, system).Execute();
}

}  // namespace cvinst
