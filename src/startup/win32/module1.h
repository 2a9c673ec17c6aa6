#pragma once
#include <functional>
#include <string>

#include "base/win32/handles.h"
#include "support/log.h"

namespace cvinst {

class Form1;
class LogFile;

// Tells the user once when the log cannot be written, for as long as the window that says it
// lasts: the log forgets the notice when this goes.
class LogNotice {
public:
    LogNotice() = default;
    LogNotice(LogFile& log, std::function<void(const std::string&, const std::string&)> notice);
    LogNotice(LogNotice&& other) noexcept;
    LogNotice& operator=(LogNotice&& other) noexcept;
    ~LogNotice();

private:
    void Release();
    LogFile* log_ = nullptr;
};

// What the program's entry decided.
struct MainResult {
    int exitStatus = 0;
    // The main window is shown for an interactive session: the caller runs the message loop and
    // then logs the end with LogWindowClosed.
    bool interactive = false;
    // Held while this installer may run installations; kept until the process ends.
    win::unique_handle instanceLock;
    LogNotice logNotice;
};

// The program's entry: opens the run log, loads the main window, checks the environment and
// runs the mode the command line (the process's whole command line) asks for. `form` writes its
// runs' events to `log`; the result must go before `form` does.
MainResult Main(const std::string& commandLine, Form1& form, LogFile& log);

// The log's last line of a run: the exit status and what it means to a deployment tool.
void LogExit(Log& log, int exitStatus);
// The log's last line of an interactive session, and its exit status when no run was started.
void LogWindowClosed(Log& log, const Form1& form, int exitStatus);

// Disables both actions (and ticks Menu, Workstation and Personal Server) when the user may
// not change machine-wide settings.
void ApplyEnvironmentCheck(Form1& form, bool allowed);

// Shows the command-line help over the (hidden) main window; returns when it was closed.
void ShowCommandLineHelp(Form1& form);

}  // namespace cvinst
