#pragma once
#include <string>

namespace cvinst {

class Form1;

// The program's entry: loads the main window, checks the environment and runs the mode the
// argument text asks for. Returns the process exit status; `interactive` tells the caller to
// run the message loop for the shown window.
int Main(const std::string& argumentText, bool& interactive);

// Disables both actions (and ticks Menu, Workstation and Personal Server) when the user may
// not change machine-wide settings.
void CheckEnvironment(Form1& form);
// What CheckEnvironment does to the window with the check's answer.
void ApplyEnvironmentCheck(Form1& form, bool allowed);

// Shows the command-line help over the (hidden) main window; returns when it was closed.
void ShowCommandLineHelp(Form1& form);

}  // namespace cvinst
