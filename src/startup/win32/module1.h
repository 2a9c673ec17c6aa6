#pragma once
#include <string>

namespace cvinst {

class Form1;

// What the program's entry decided: the exit status, and whether the main window was shown for
// an interactive session, whose message loop the caller then runs.
struct MainResult {
    int exitStatus = 0;
    bool interactive = false;
};

// The program's entry: loads the main window, checks the environment and runs the mode the
// argument text asks for.
MainResult Main(const std::string& argumentText);

// Disables both actions (and ticks Menu, Workstation and Personal Server) when the user may
// not change machine-wide settings.
void CheckEnvironment(Form1& form);
// What CheckEnvironment does to the window with the check's answer.
void ApplyEnvironmentCheck(Form1& form, bool allowed);

// Shows the command-line help over the (hidden) main window; returns when it was closed.
void ShowCommandLineHelp(Form1& form);

}  // namespace cvinst
