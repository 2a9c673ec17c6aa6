#include "engine/install_run.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "engine/busy_installer.h"
#include "engine/catalogue.h"
#include "engine/msi_arguments.h"
#include "engine/run_texts.h"
#include "support/strings.h"

namespace cvinst {

namespace {

using installer::Step;

constexpr std::string_view kServerExe = "CVPServ.exe";

// Lets go of a held step log when the step is over, however it ends.
class StepLogHold {
public:
    StepLogHold(RunSystem& system, bool held) : system_(held ? &system : nullptr) {}
    StepLogHold(const StepLogHold&) = delete;
    StepLogHold& operator=(const StepLogHold&) = delete;
    ~StepLogHold() {
        if (system_) system_->ReleaseStepLog();
    }

private:
    RunSystem* system_;
};
constexpr std::string_view kRegisterSwitch = " /REGISTERCOM";

// For the steps whose failure must neither stop the run nor reach the caller.
template <class Action>
void Ignoring(Action&& action) noexcept {
    try {
        action();
    } catch (...) {}
}

struct StepResult {
    Step step;
    unsigned long code;          // msiexec's exit code; 0 when it gave none
    int exitStatus;              // what it makes of the run's exit status
    bool waitCancelled = false;  // the person cancelled the wait for another installation
    std::string problem{};       // when it gave no code: why
    bool mayStillRun = false;    // msiexec's end was not seen: nothing more may start
};

// How the run goes on after a program.
enum class Next { Go, Cancel, Stop };

class Run {
public:
    Run(bool install, const RunOptions& options, RunWindow& window, RunSystem& system, Log& log)
        : install_(install), options_(options), window_(window), system_(system), log_(log),
          turns_(system, log, options.WaitSeconds) {}

    RunReport Execute() {
        RunReport report = Body();
        Ignoring([&] { LogClosingLines(report.exitStatus); });
        return report;
    }

private:
    RunReport Body() {
        Next next = Next::Go;
        int stoppedAt = -1;
        try {
            if (!options_.Unattended && !Confirmed()) {
                report_.outcome = RunOutcome::Declined;
                report_.exitStatus = installer::UserCancelled;
                return std::move(report_);
            }
            log_.Write(install_ ? "Install run" : "Uninstall run");
            window_.EnableCmds(false);
            window_.Sata(ProgressStatus(install_, "Corvane..."));
            // Every path handed on is full: the process's current folder stays as it was.
            arguments_.emplace(system_.InstallerFolder(), options_);
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
            if (next == Next::Stop || waitCancelled_) NotProcessedAfter(stoppedAt);
            if (next == Next::Cancel && !waitCancelled_) LogCancelledBefore(stoppedAt);
        } catch (const std::exception& error) {
            return Fail(error.what());
        } catch (...) {
            return Fail("An unexpected error has occurred.");
        }
        if (waitCancelled_) return CancelledWait();
        if (!report_.notProcessed.empty()) return Stopped();
        if (next == Next::Cancel || !report_.failures.empty()) {
            return FailPrograms(next == Next::Cancel);
        }
        return Complete();
    }

    // The same lines end every run, attended or not, so that a log collected after a run by hand
    // tells how it ended as a deployment's does.
    void LogClosingLines(int exitStatus) {
        log_.Write("Outcome: " + (outcome_.empty() ? "declined, nothing was changed" : outcome_));
        for (const std::string& result : results_) log_.Write("Result: " + result);
        log_.Write(ExitStatusLine(exitStatus));
    }

    void Result(int index, std::string_view what) {
        results_.push_back(std::string(ProgramCatalogue[index].name) + ": " + std::string(what));
    }

    bool NotProcessed(int index) const {
        return std::find(report_.notProcessed.begin(), report_.notProcessed.end(), index) !=
               report_.notProcessed.end();
    }

    bool Confirmed() {
        if (install_) {
            const bool accepted = window_.ConfirmInstall();
            log_.Write(accepted ? "Licence agreement accepted" : "Licence agreement declined");
            return accepted;
        }
        return window_.ConfirmRemoval();
    }

    std::string ProgramPath(const Program& program, std::string_view file) const {
        return programFiles_ + std::string(program.name) + "\\" + std::string(file);
    }

    // Checked before anything starts: Windows cuts a longer command line short or refuses it.
    bool CommandsFit() {
        for (int index = 0; index < kProgramCount; ++index) {
            if (window_.ProgramCheck(index) != 1) continue;
            const Program& program = ProgramCatalogue[index];
            for (const bool installStep : {true, false}) {
                const std::string stepLog = arguments_->StepLog(program, installStep);
                if (!system_.MsiCommandFits(arguments_->For(program, installStep, stepLog))) {
                    return false;
                }
            }
        }
        return true;
    }

    Next Process(int index) {
        const Program& program = ProgramCatalogue[index];
        const std::string name(program.name);
        window_.Sata(ProgressStatus(install_, name + "..."));
        const bool present = !system_.FindFile(ProgramPath(program, program.marker)).empty();

        if (!install_) {
            if (!present) {
                log_.Write(name + ": not installed, nothing to remove");
                Result(index, "not installed, nothing to remove");
                return Next::Go;
            }
            log_.Write(name + ": installed, removing it");
            const StepResult removal = RunStep(index, false);
            if (removal.step == Step::Busy) report_.notProcessed.push_back(index);
            return Conclude(index, removal);
        }
        if (present && options_.SkipInstalled) {
            log_.Write(name + ": installed, left as it is (/T)");
            Result(index, "left as it is (/T)");
            return Next::Go;
        }
        if (present) {
            log_.Write(name + ": installed, removing it and installing it again");
            const StepResult removal = RunStep(index, false);
            // A restart the removal needs is still needed after the install.
            if (removal.step == Step::Done) {
                exitStatus_ = installer::Weightier(exitStatus_, removal.exitStatus);
            }
            // The install decides the program's outcome after a failed removal too: a copy the
            // Windows Installer does not know of cannot be removed, but it can be replaced.
            if (removal.mayStillRun ||
                (removal.step != Step::Done && removal.step != Step::Failed)) {
                if (removal.step != Step::Cancelled) report_.notProcessed.push_back(index);
                return Conclude(index, removal);
            }
        } else {
            log_.Write(name + ": not installed, installing it");
        }
        const StepResult install = RunStep(index, true);
        if (install.step == Step::Busy) report_.notProcessed.push_back(index);
        if (index == kPersonalServer && !install.mayStillRun &&
            (install.step == Step::Done || install.step == Step::Failed)) {
            Register(program);
        }
        return Conclude(index, install);
    }

    // Records what the program's last step came to; the run goes on unless it cannot.
    Next Conclude(int index, const StepResult& result) {
        // The run ends with the weightiest status of its programs' last steps.
        exitStatus_ = installer::Weightier(exitStatus_, result.exitStatus);
        if (result.waitCancelled) report_.notProcessed.push_back(index);
        Result(index, ResultText(index, result));
        if (result.waitCancelled) return Next::Cancel;
        switch (result.step) {
        case Step::Done:
            return Next::Go;
        case Step::Failed:
            report_.failures.push_back({index, result.code, result.problem});
            if (!result.mayStillRun) return Next::Go;
            stopReason_ = StopReason::MsiexecLost;
            return Next::Stop;
        case Step::Cancelled:
            report_.failures.push_back({index, result.code, result.problem});
            return Next::Cancel;
        case Step::RestartStarted:
            stopReason_ = StopReason::RestartStarted;
            return Next::Stop;
        case Step::Busy:
            stopReason_ = StopReason::InstallerBusy;
            return Next::Stop;
        }
        return Next::Go;
    }

    std::string ResultText(int index, const StepResult& result) {
        const std::string code = std::to_string(result.code);
        if (NotProcessed(index)) return "not processed";
        switch (result.step) {
        case Step::Done:
        case Step::RestartStarted:
            return std::string(install_ ? "installed" : "removed") + " (" + code + ")";
        case Step::Failed:
            return result.code == 0 ? "failed: the Windows Installer " + result.problem
                                    : "failed (" + code + "): " + Reason(system_, result.code);
        case Step::Cancelled:
            return "cancelled (" + code + "): " + Reason(system_, result.code);
        case Step::Busy:
            break;
        }
        return "not processed";
    }

    // The ticked programs after the one the run stopped at.
    void NotProcessedAfter(int index) {
        for (int later = index + 1; later < kProgramCount; ++later) {
            if (window_.ProgramCheck(later) != 1) continue;
            report_.notProcessed.push_back(later);
            Result(later, "not processed");
        }
    }

    // Not in the report: after a cancel the run is over by the user's choice, not stopped.
    void LogCancelledBefore(int index) {
        std::vector<int> left;
        for (int later = index + 1; later < kProgramCount; ++later) {
            if (window_.ProgramCheck(later) != 1) continue;
            left.push_back(later);
            Result(later, "not processed");
        }
        if (!left.empty()) log_.Write("The run was cancelled before: " + ProgramNames(left));
    }

    // Started also after a failed install: the registration's own outcome is not read.
    void Register(const Program& program) {
        const std::string exePath = ProgramPath(program, kServerExe);
        bool started = false;
        Ignoring([&] { started = system_.StartProcess(exePath, std::string(kRegisterSwitch)); });
        log_.Write((started ? "Server registration started: \""
                            : "Server registration could not be started: \"") +
                   exePath + "\"" + std::string(kRegisterSwitch));
    }

    StepResult RunStep(int index, bool installStep) {
        const Program& program = ProgramCatalogue[index];
        std::string stepLog = arguments_->StepLog(program, installStep);
        if (!stepLog.empty()) {
            // msiexec hides in its own log only what the package lists as hidden.
            const std::string secret = arguments_->SecretInStepLog(program);
            if (!secret.empty()) {
                log_.Write("No step log is asked of msiexec for " + std::string(program.package) +
                           ": the parameters set " + secret +
                           ", which the package does not hide from it");
                stepLog.clear();
            }
        }
        if (!stepLog.empty()) {
            const std::string problem = system_.HoldStepLog(stepLog);
            if (!problem.empty()) {
                // A log problem must not fail the install: msiexec fails a step it cannot log.
                log_.Write("The step log \"" + stepLog + "\" is not handed to msiexec: " + problem);
                stepLog.clear();
            }
        }
        // Held until msiexec has ended, retries included.
        const StepLogHold hold(system_, !stepLog.empty());
        const Turn turn = TakeTurn(program, arguments_->For(program, installStep, stepLog));
        if (turn.end == TurnEnd::Busy) {
            return {Step::Busy, static_cast<unsigned long>(installer::AlreadyRunning),
                    installer::AlreadyRunning};
        }
        if (turn.end == TurnEnd::Cancelled) {
            waitCancelled_ = true;
            return {Step::Cancelled, static_cast<unsigned long>(installer::UserCancelled),
                    installer::UserCancelled, true};
        }
        const MsiResult& result = turn.result;
        if (!result.started) {
            return {Step::Failed,      0, installer::InstallFailure, false, result.problem,
                    result.mayStillRun};
        }
        const installer::CodeMeaning& meaning = installer::MeaningOf(result.exitCode);
        const std::string name(program.name);
        const std::string code = " (" + std::to_string(result.exitCode) + ")";
        if (meaning.step == Step::Done && meaning.exitStatus == installer::RebootRequired) {
            log_.Write(name + ": the machine must be restarted to finish" + code);
        } else if (meaning.step == Step::RestartStarted) {
            log_.Write(name + ": the Windows Installer started a restart of the machine" + code);
        }
        return {meaning.step, result.exitCode, meaning.exitStatus};
    }

    // Where a person watches, a wait shows the time it has left and can be cancelled; otherwise
    // it is shown as it begins and waited in one piece.
    Turn TakeTurn(const Program& program, const std::string& arguments) {
        const bool attended = !options_.Unattended;
        bool offered = false;
        const auto withdraw = [&] {
            if (offered) window_.OfferCancel(false);
            offered = false;
        };
        WaitWatch watch;
        watch.waiting = [&](uint64_t leftMs) {
            if (attended && !offered) {
                window_.OfferCancel(true);
                offered = true;
            }
            window_.Sata(WaitingStatus(install_, program.name,
                                       attended ? std::optional(leftMs) : std::nullopt));
        };
        watch.goingOn = [&] {
            withdraw();
            window_.Sata(ProgressStatus(install_, std::string(program.name) + "..."));
        };
        if (attended) watch.cancelled = [this] { return window_.CancelAsked(); };
        Turn turn;
        try {
            turn = turns_.Run(arguments, watch);
        } catch (...) {
            Ignoring(withdraw);
            throw;
        }
        withdraw();
        return turn;
    }

    // Nothing more is asked: the person who cancelled knows why.
    RunReport CancelledWait() {
        const std::string names = ProgramNames(report_.notProcessed);
        log_.Write("The run was cancelled before: " + names);
        Finish(OutcomeStatus(install_, "Cancelled; Not Processed: " + names));
        // Back on the button that was pressed, now Exit again.
        Ignoring([&] { window_.FocusExit(); });
        report_.outcome = RunOutcome::Cancelled;
        return Report();
    }

    RunReport Complete() {
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.FocusExit(); });
        outcome_ = OutcomeStatus(install_, "Completed");
        Ignoring([&] { window_.Sata(outcome_); });
        Ignoring([&] { window_.SetRunDone(true); });
        report_.outcome = RunOutcome::Completed;
        return Report();
    }

    // The run's own failure: shown even in unattended runs.
    RunReport Fail(std::string description) {
        report_.errorDescription = std::move(description);
        log_.Write("The run failed: " + report_.errorDescription);
        Ignoring([&] { window_.ShowError("Error: " + report_.errorDescription); });
        Finish(OutcomeStatus(install_, "Failed"));
        report_.outcome = RunOutcome::Failed;
        exitStatus_ = installer::InstallFailure;
        return Report();
    }

    RunReport Refuse() {
        RunReport report = Fail("The Windows Installer's command line would be longer than the " +
                                std::to_string(kLongestCommandLine) +
                                " characters Windows allows. Shorten the /MSI= parameters or the "
                                "installer's folder.");
        report.outcome = RunOutcome::Refused;
        report.exitStatus = installer::InvalidCommandLine;
        return report;
    }

    RunReport FailPrograms(bool cancelled) {
        if (!options_.Unattended) {
            Ignoring([&] { window_.ShowError("Error: " + Failures()); });
        }
        Finish(OutcomeStatus(install_, "Failed"));
        report_.outcome = cancelled ? RunOutcome::Cancelled : RunOutcome::Failed;
        return Report();
    }

    RunReport Stopped() {
        const std::string names = ProgramNames(report_.notProcessed);
        log_.Write("The run stopped before: " + names);
        if (!options_.Unattended) {
            std::string text = "Error: ";
            if (!report_.failures.empty()) text += Failures() + "\n\n";
            text += StoppedExplanation(stopReason_);
            text += '\n';
            text += ProgramNames(report_.notProcessed, "\n");
            Ignoring([&] { window_.ShowError(text); });
        }
        Finish(OutcomeStatus(install_, StoppedStatus(stopReason_) + "; Not Processed: " + names));
        report_.outcome = RunOutcome::Stopped;
        return Report();
    }

    void Finish(const std::string& status) {
        outcome_ = status;
        Ignoring([&] { window_.EnableCmds(true); });
        Ignoring([&] { window_.SetRunDone(true); });
        Ignoring([&] { window_.Sata(status); });
    }

    std::string Failures() {
        return FailureList(install_, report_.failures,
                           [this](unsigned long code) { return Reason(system_, code); });
    }

    RunReport Report() {
        report_.exitStatus = exitStatus_;
        return std::move(report_);
    }

    const bool install_;
    const RunOptions& options_;
    RunWindow& window_;
    RunSystem& system_;
    Log& log_;
    InstallerTurns turns_;
    std::optional<MsiArguments> arguments_;
    RunReport report_;
    std::string programFiles_;
    int exitStatus_ = installer::Success;
    StopReason stopReason_ = StopReason::InstallerBusy;
    bool waitCancelled_ = false;
    std::string outcome_;               // the status line the run ended with
    std::vector<std::string> results_;  // "<program>: <what became of it>", in run order
};

}  // namespace

RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system,
                    Log& log) {
    return Run(install, options, window, system, log).Execute();
}

}  // namespace cvinst
