#pragma once
// What the install and uninstall run needs of the main window and of the machine, so that the
// same code drives the real window and system and the tests' recording fakes.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/msi_result.h"

namespace cvinst {

// Asked while a wait goes on; true ends it at once.
using StopAsked = std::function<bool()>;

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
    // While a step waits for another installation: Exit turns into Cancel, enabled (true), and
    // back into a disabled Exit (false). Each offer starts with no cancel asked.
    virtual void OfferCancel(bool offered) = 0;
    virtual bool CancelAsked() = 0;  // Cancel was pressed since it was offered
};

// The machine as the run sees it.
class RunSystem {
public:
    virtual ~RunSystem() = default;
    virtual std::string InstallerFolder() = 0;                  // folder of the running executable
    virtual std::string ProgramFilesDir() = 0;                  // "ProgramFilesDir", "" when absent
    virtual std::string FindFile(const std::string& path) = 0;  // "" when nothing matches
    virtual MsiResult RunMsiExec(const std::string& arguments) = 0;
    // Whether msiexec's whole command line with these arguments stays within what Windows takes.
    virtual bool MsiCommandFits(const std::string& arguments) = 0;
    // Makes ready the file at `path` for msiexec to append a step's log to, and holds it so that
    // nothing else can be put at its name until ReleaseStepLog; "" then. Otherwise why msiexec
    // must not be given it, and nothing is held.
    virtual std::string HoldStepLog(const std::string& path) = 0;
    virtual void ReleaseStepLog() = 0;  // the step has ended
    // Starts the Personal Server's registration: the executable's full path and the switch.
    virtual bool StartProcess(const std::string& exePath, const std::string& arguments) = 0;
    // The system's text for a code, else "error N"; never empty.
    virtual std::string ErrorText(unsigned long code) = 0;
    // Waits up to `timeoutMs` until no other installation holds the Windows Installer; true when
    // it is free. Never holds it: msiexec must be able to take it. Both waits keep the window
    // working and end early, as soon as `stop` (when given) says so.
    virtual bool WaitForInstaller(unsigned long timeoutMs, const StopAsked& stop) = 0;
    virtual void Pause(unsigned long milliseconds, const StopAsked& stop) = 0;
    virtual uint64_t Milliseconds() = 0;  // a clock that only goes forward
};

}  // namespace cvinst
