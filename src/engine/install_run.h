#pragma once
// The install and uninstall run over the ticked programs, written against two small interfaces so
// that the same code drives the real window and system and the tests' recording fakes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/run_options.h"

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
    // Starts the Personal Server's registration: the executable's full path and the switch.
    virtual bool StartProcess(const std::string& exePath, const std::string& arguments) = 0;
    virtual std::string ErrorText(unsigned long code) = 0;  // the system's text for a code
};

enum class RunOutcome {
    Declined,   // agreement not accepted or removal not confirmed: nothing changed
    Completed,  // every msiexec succeeded (restart codes included)
    Failed,     // the run failed, or at least one msiexec failed
    Cancelled,  // the user cancelled in msiexec's own window (1602): the run stopped there
};

struct ProgramFailure {
    int index;
    unsigned long code;  // msiexec exit code; 0 when it could not be started at all
};

struct RunReport {
    RunOutcome outcome = RunOutcome::Declined;
    bool restartRequired = false;  // a package returned 3010
    bool restartStarted = false;   // a package returned 1641
    std::vector<ProgramFailure> failures;
    std::string
        errorDescription;  // set when the run itself failed ("Invalid Program Files Directory!")
};

// The msiexec parameters of a run: the /MSI= text with a leading blank, or the defaults.
std::string InstallerParameters(const std::string& installerParams);

inline constexpr std::string_view kDefaultInstallerParams =
    " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

// The run itself. `install` true = install, false = uninstall.
RunReport InstallCW(bool install, const RunOptions& options, RunWindow& window, RunSystem& system);

}  // namespace cvinst
