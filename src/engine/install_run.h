#pragma once
// The install and uninstall run over the ticked programs, written against small interfaces so
// that the same code drives the real window and system and the tests' recording fakes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_options.h"
#include "support/log.h"

namespace cvinst {

// What one msiexec process did.
struct MsiResult {
    bool started = false;        // false: it could not be started or waited for
    unsigned long exitCode = 0;  // valid when started
};

// The main window as the run sees it.
class RunWindow {
public:
    virtual ~RunWindow() = default;
    virtual bool ConfirmInstall() = 0;             // licence agreement; true = accepted
    virtual bool ConfirmRemoval() = 0;             // "Are you sure ..." Yes = true
    virtual void EnableCmds(bool enabled) = 0;     // action and Exit buttons together
    virtual void Sata(std::string_view text) = 0;  // status line, repainted at once
    virtual int ProgramCheck(int index) = 0;       // Check1(index) value, 0 or 1
    virtual void FocusExit() = 0;                  // focus to Command3; may fail silently
    virtual void SetRunDone(bool done) = 0;
    virtual void ShowError(std::string_view text) = 0;  // exclamation box, OK only, app title
};

// The machine as the run sees it.
class RunSystem {
public:
    virtual ~RunSystem() = default;
    virtual std::string InstallerFolder() = 0;  // folder of the running executable
    virtual void SetCurrentFolder(const std::string& folder) = 0;  // failures ignored
    virtual std::string ProgramFilesDir() = 0;                  // "ProgramFilesDir", "" when absent
    virtual std::string FindFile(const std::string& path) = 0;  // "" when nothing matches
    virtual MsiResult RunMsiExec(const std::string& arguments) = 0;
    // Whether msiexec's whole command line with these arguments stays within what Windows takes.
    virtual bool MsiCommandFits(const std::string& arguments) = 0;
    // Starts the Personal Server's registration: the executable's full path and the switch.
    virtual bool StartProcess(const std::string& exePath, const std::string& arguments) = 0;
    virtual std::string ErrorText(unsigned long code) = 0;  // the system's text for a code
    // Waits up to `timeoutMs` until no other installation holds the Windows Installer; true when
    // it is free. Never holds it: msiexec must be able to take it.
    virtual bool WaitForInstaller(unsigned long timeoutMs) = 0;
    virtual void Pause(unsigned long milliseconds) = 0;  // the window keeps working meanwhile
    virtual uint64_t Milliseconds() = 0;                 // a clock that only goes forward
};

enum class RunOutcome {
    Declined,   // agreement not accepted or removal not confirmed: nothing changed
    Completed,  // every program's last msiexec succeeded (restart codes included)
    Failed,     // the run failed, or at least one program's last msiexec failed
    Cancelled,  // the user cancelled in msiexec's own window (1602): the run stopped there
    Stopped,  // a restart began (1641) or the Windows Installer stayed busy: the rest not processed
    Refused,  // msiexec's command line would be too long for Windows: nothing was started
};

struct ProgramFailure {
    int index;
    unsigned long code;  // msiexec exit code; 0 when it could not be started at all
};

struct RunReport {
    RunOutcome outcome = RunOutcome::Declined;
    bool restartRequired = false;          // a package returned 3010
    bool restartStarted = false;           // a package returned 1641
    bool installerBusy = false;            // another installation outlasted the wait
    std::vector<ProgramFailure> failures;  // programs whose last step failed, in run order
    std::vector<int> notProcessed;         // ticked programs the run stopped before
    std::string
        errorDescription;  // set when the run itself failed ("Invalid Program Files Directory!")
};

// The msiexec parameters of a run: the /MSI= text with a leading blank, or the defaults.
std::string InstallerParameters(const std::string& installerParams);

inline constexpr std::string_view kDefaultInstallerParams =
    " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

// Where msiexec logs one step of a run that keeps a log at `logPath`: beside it, named
// "<its name without extension>_<package without extension>_<install|uninstall>.log".
std::string MsiLogPath(const std::string& logPath, std::string_view package, bool install);
// Whether installer parameters already ask msiexec for a log of their own ("/L..." or "-L...").
bool AsksForMsiLog(std::string_view installerParams);

// The run itself. `install` true = install, false = uninstall.
RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system,
                    Log& log);

}  // namespace cvinst
