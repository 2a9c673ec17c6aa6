#include "startup/win32/module1.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/installer_codes.h"
#include "base/win32/text.h"
#include "engine/catalogue.h"
#include "engine/msi_arguments.h"
#include "engine/run_texts.h"
#include "engine/win32/hidden_properties.h"
#include "engine/win32/run_system.h"
#include "startup/cmdline.h"
#include "startup/deploy_options.h"
#include "startup/help_text.h"
#include "startup/win32/environment.h"
#include "startup/win32/instance_lock.h"
#include "support/secrets.h"
#include "support/strings.h"
#include "support/win32/log_file.h"
#include "ui/profile.h"
#include "ui/win32/form1.h"
#include "ui/win32/version.h"

namespace cvinst {

void ApplyEnvironmentCheck(Form1& form, bool allowed) {
    if (allowed) return;
    form.Option1[0].SetEnabled(false);
    form.Option1[1].SetEnabled(false);
    for (int i = 0; i < 3; ++i) form.Check1[i].SetValue(1);
}

void LogExit(Log& log, int exitStatus) { log.Write(ExitStatusLine(exitStatus)); }

void LogWindowClosed(Log& log, const Form1& form, int exitStatus) {
    // Each run has already written its own closing lines.
    if (form.LastRun) {
        log.Write("The window was closed with " + std::string(form.ClosedWith()));
        return;
    }
    log.Write("The window was closed with " + std::string(form.ClosedWith()) +
              " before anything was started");
    LogExit(log, exitStatus);
}

LogNotice::LogNotice(LogFile& log,
                     std::function<void(const std::string&, const std::string&)> notice)
    : log_(&log) {
    log.onFailure = std::move(notice);
}

LogNotice::LogNotice(LogNotice&& other) noexcept : log_(std::exchange(other.log_, nullptr)) {}

LogNotice& LogNotice::operator=(LogNotice&& other) noexcept {
    if (this != &other) {
        Release();
        log_ = std::exchange(other.log_, nullptr);
    }
    return *this;
}

LogNotice::~LogNotice() { Release(); }

void LogNotice::Release() {
    if (log_) log_->onFailure = nullptr;
    log_ = nullptr;
}

namespace {

constexpr std::string_view kNoWindow =
    "Corvane Installer could not create its window and has stopped.";

// The main window's controls as an accepted command line sets them.
class WindowControls : public CommandLineControls {
public:
    explicit WindowControls(Form1& form) : form_(form) {}
    void ChkAll(int state) override { form_.ChkAll(state); }
    void SetProgramCheck(int index, int value) override { form_.Check1[index].SetValue(value); }
    bool ActionEnabled(int index) override { return form_.Option1[index].Enabled(); }
    void SelectAction(int index) override { form_.Option1[index].SetValue(true); }

private:
    Form1& form_;
};

std::string_view AnswerName(int answer) {
    switch (answer) {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    default:
        return "closed";
    }
}

// What a box would have been answered by someone who just closes it.
int DefaultAnswer(UINT flags) {
    switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
        return IDNO;
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

// Where no one can see a window, whatever would wait for a person goes to the log and to the
// standard error stream instead.
void ReportInstead(Log& log, const SecretMask& mask, std::string_view text) {
    log.Write("Not shown, no one can answer here: " + std::string(text));
    WriteToStandardError(mask(text));
}

// The secret properties of every package beside the installer, as the packages name them, and
// what each keeps out of msiexec's own log. Only a command line that sets properties can show
// their values: the others start without msi.dll.
struct PackageSecrets {
    SecretMask mask;
    std::map<std::string, std::vector<std::string>, std::less<>> hidden;  // by package file
    std::vector<std::string> problems;  // packages whose names could not be read
};

PackageSecrets ReadPackageSecrets(std::string_view arguments) {
    PackageSecrets secrets;
    if (arguments.find('=') == std::string_view::npos) return secrets;
    std::string folder = WinRunSystem().InstallerFolder();
    AddBackslash(folder);
    for (const Program& program : ProgramCatalogue) {
        const std::string path = folder + std::string(program.package);
        // A package that is not there has no step to log.
        if (GetFileAttributesW(win::Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        HiddenProperties read = PackageHiddenProperties(path);
        if (!read.problem.empty()) {
            secrets.problems.push_back(
                "The properties " + std::string(program.package) +
                " hides cannot be read, so it is taken to hide none: " + read.problem);
            continue;
        }
        secrets.mask.AddHidden(read.names);
        secrets.hidden.emplace(std::string(program.package), std::move(read.names));
    }
    return secrets;
}

void ListPackages(Form1& form, Log& log) {
    std::vector<int> found;
    for (int i = 0; i < kProgramCount; ++i) {
        if (form.Check1[i].Enabled()) found.push_back(i);
    }
    log.Write("Packages found beside the installer: " +
              (found.empty() ? std::string("none") : ProgramNames(found)));
}

class Start {
public:
    Start(const std::string& commandLine, Form1& form, LogFile& log)
        : commandLine_(commandLine), reading_(ReadOptions(ArgumentText(commandLine))),
          deploy_(TakeDeployOptions(reading_)), attended_(WindowStationVisible()),
          allowed_(EnvironmentAllowsActions()), secrets_(ReadPackageSecrets(deploy_.rest)),
          mask_(secrets_.mask), form_(form), log_(log) {}

    MainResult Run() {
        // Taken before the log is opened: only the run that holds it rotates the log.
        if (MayRun()) lock_ = TakeInstanceLock(allowed_);
        OpenLog();
        form_.Load();
        if (!form_.hwnd()) {
            form_.Boxes.Show(nullptr, kNoWindow, MB_OK | MB_ICONEXCLAMATION, "Corvane Installer");
            return Exit(installer::InstallFailure);
        }
        // Said once on the status line, also when the log fails later in the session (and where
        // no one sees that, on the standard error stream).
        auto notice = [&form = form_, &log = log_, attended = attended_, mask = mask_,
                       said = std::make_shared<bool>(false)](const std::string&,
                                                             const std::string& reason) {
            if (*said) return;
            *said = true;
            const std::string text = "Status: The Log Cannot Be Written: " + log.Path();
            form.Sata(text);
            if (!attended) WriteToStandardError(mask(text + " (" + reason + ")"));
        };
        if (!log_.IsOpen()) {
            notice(log_.Path(), openProblem_);
            // Said on the standard error stream also where the status line is seen.
            if (attended_) WriteToStandardError(mask_(log_.Path() + ": " + openProblem_));
        }
        notice_ = LogNotice(log_, notice);

        ApplyEnvironmentCheck(form_, allowed_);
        log_.Write(allowed_ ? "Rights check: this user may change machine-wide settings"
                            : "Rights check: this user may not change machine-wide settings, so "
                              "install and uninstall are disabled");
        ListPackages(form_, log_);

        const std::string& rest = deploy_.rest;
        if (deploy_.ok && rest.empty()) return Interactive();
        if (IsHelpRequest(rest)) return Help();
        if (!deploy_.ok) {
            return Refuse(CommandLineErrorMessage(deploy_.text, deploy_.error, false),
                          installer::InvalidCommandLine);
        }
        WindowControls controls(form_);
        const Acceptance accepted = AcceptCommandLine(ParseCommandLine(reading_), controls);
        if (!accepted.ok) {
            lock_ = {};
            // Both actions are also disabled when no package lies beside the installer.
            const int status = !accepted.rightsDenied               ? installer::InvalidCommandLine
                               : allowed_ && !form_.PackagesFound() ? installer::NothingToRun
                                                                    : installer::AccessDenied;
            return Refuse(accepted.message, status);
        }
        return Unattended(accepted.request);
    }

    // Goes with the result: the notice lasts as long as the window.
    LogNotice TakeNotice() { return std::move(notice_); }

private:
    // Whether the command line may start an installation or the window: only those take the lock.
    bool MayRun() const {
        if (!deploy_.ok || IsHelpRequest(deploy_.rest)) return false;
        return !deploy_.rest.empty() || attended_;
    }

    void OpenLog() {
        const bool chosen = deploy_.ok && deploy_.logPath.has_value();
        log_.onFailure = [this](const std::string&, const std::string& reason) {
            openProblem_ = reason;
        };
        log_.SetMask(mask_);
        LogAccess access;
        access.administrator = allowed_;
        access.chosen = chosen;
        access.mayRotate = static_cast<bool>(lock_.mutex);
        log_.Open(chosen ? FullPath(*deploy_.logPath) : DefaultLogPath(allowed_), access);
        log_.onFailure = nullptr;
        log_.Write("==== Corvane Installer " + ProgramVersion() + " ====");
        log_.Write("Command line: " + commandLine_);
        if (const std::string ignored = DescribeIgnored(reading_); !ignored.empty()) {
            log_.Write(ignored);
        }
        for (const std::string& note : log_.TakeNotes()) log_.Write(note);
        if (!lock_.note.empty()) log_.Write(lock_.note);
        for (const std::string& problem : secrets_.problems) log_.Write(problem);
        form_.Boxes.observe = [&log = log_](const win::MessageBoxRequest& box, int answer) {
            log.Write("Message box \"" + box.caption + "\": " + box.text + " -> " +
                      std::string(AnswerName(answer)));
        };
        if (!attended_) {
            log_.Write(
                "The window station is not visible: what would wait for a person goes to this log "
                "and to the standard error stream");
            form_.Boxes.answer = [&log = log_, &mask = mask_](const win::MessageBoxRequest& box) {
                ReportInstead(log, mask, box.text);
                return DefaultAnswer(box.flags);
            };
        }
    }

    RunOptions BaseOptions() const {
        RunOptions options;
        options.WaitSeconds = deploy_.waitSeconds.value_or(kDefaultWaitSeconds);
        options.NobodySees = !attended_;
        // msiexec logs beside the run log only when the user asked for one that can be written.
        if (deploy_.logPath && log_.IsOpen()) options.LogPath = log_.Path();
        options.Secrets = mask_;
        options.HiddenByPackage = secrets_.hidden;
        return options;
    }

    MainResult Interactive() {
        if (!attended_) {
            ReportInstead(log_, mask_,
                          "Started without a command line where no one can use its window: "
                          "nothing was done. Run \"CVInst.exe ?\" for the command-line options.");
            return Exit(installer::InvalidCommandLine);
        }
        MainResult result;
        result.instanceLock = std::move(lock_.mutex);
        if (lock_.otherRunning) {
            form_.Boxes.Show(nullptr, kAlreadyRunning, MB_OK | MB_ICONEXCLAMATION,
                             "Corvane Installer");
            return Exit(installer::AlreadyRunning);
        }
        form_.SetRunOptions(BaseOptions());
        form_.Show();
        log_.Write("Window shown for an interactive session");
        result.interactive = true;
        return result;
    }

    MainResult Help() {
        if (!attended_) {
            ReportInstead(log_, mask_,
                          BuildHelpText(form_.Option1[0].Caption(), form_.Option1[1].Caption()));
            return Exit(installer::InvalidCommandLine);
        }
        log_.Write("Command-line help shown");
        ShowCommandLineHelp(form_);
        form_.Unload();
        return Exit(installer::Success);
    }

    MainResult Refuse(const std::string& message, int status) {
        form_.Boxes.Show(nullptr, message, MB_OK | MB_ICONEXCLAMATION, kCommandLineErrorTitle);
        form_.Unload();
        return Exit(status);
    }

    MainResult Unattended(const CommandLine& request) {
        RunOptions options = BaseOptions();
        options.Unattended = true;
        options.SkipInstalled = request.options.SkipInstalled;
        options.InstallerParams = request.options.InstallerParams;
        log_.Write("Options: " + DescribeRequest(request, options));
        if (!attended_ && !options.InstallerParams.empty() &&
            !AsksNoUserInterface(options.InstallerParams)) {
            const std::string warning =
                "The /MSI= parameters do not ask msiexec for no user interface (/qn): msiexec may "
                "wait for an answer nobody can give here";
            log_.Write(warning);
            WriteToStandardError(warning);
        }

        MainResult result;
        result.instanceLock = std::move(lock_.mutex);
        if (lock_.otherRunning) {
            log_.Write("Another Corvane Installer is already running");
            form_.Unload();
            return Exit(installer::AlreadyRunning);
        }
        form_.SetRunOptions(options);
        if (request.ShowWindow) form_.Show();
        form_.Command1_Click();
        result.exitStatus = form_.LastRun ? form_.LastRun->exitStatus : installer::NothingToRun;
        // A run writes its own closing lines.
        if (!form_.LastRun) {
            log_.Write("Outcome: " + form_.Label2.Caption());
            LogExit(log_, result.exitStatus);
        }
        return result;
    }

    MainResult Exit(int status) {
        LogExit(log_, status);
        MainResult result;
        result.exitStatus = status;
        return result;
    }

    const std::string commandLine_;
    const OptionReading reading_;
    const DeployOptions deploy_;
    const bool attended_;
    // The rights check decides everything that depends on rights: the actions, the log's place
    // and what it trusts, the lock.
    const bool allowed_;
    const PackageSecrets secrets_;
    const SecretMask& mask_;
    Form1& form_;
    LogFile& log_;
    LogNotice notice_;
    InstanceLock lock_;
    std::string openProblem_;
};

}  // namespace

MainResult Main(const std::string& commandLine, Form1& form, LogFile& log) {
    Start start(commandLine, form, log);
    MainResult result = start.Run();
    result.logNotice = start.TakeNotice();
    return result;
}

}  // namespace cvinst
