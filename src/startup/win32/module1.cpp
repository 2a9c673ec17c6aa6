#include "startup/win32/module1.h"

#include <windows.h>

#include "engine/win32/run_system.h"
#include "forms/msgbox.h"
#include "startup/cmdline.h"
#include "startup/exit_codes.h"
#include "startup/run_options.h"
#include "startup/win32/environment.h"
#include "ui/win32/form1.h"

namespace cvinst {

void CheckEnvironment(Form1& form) { ApplyEnvironmentCheck(form, EnvironmentAllowsActions()); }

void ApplyEnvironmentCheck(Form1& form, bool allowed) {
    if (allowed) return;
    form.Option1[0].SetEnabled(false);
    form.Option1[1].SetEnabled(false);
    for (int i = 0; i < 3; ++i) form.Check1[i].SetValue(1);
}

namespace {

int ExitStatusOf(const Form1& form) {
    if (!form.RunAttempted) return exitcode::NothingToRun;
    const RunReport& run = form.LastRun;
    switch (run.outcome) {
    case RunOutcome::Completed:
        if (run.restartStarted) return exitcode::RebootInitiated;
        return run.restartRequired ? exitcode::RebootRequired : exitcode::Success;
    case RunOutcome::Cancelled:
        return exitcode::UserCancelled;
    case RunOutcome::Declined:
        return exitcode::UserCancelled;
    case RunOutcome::Failed:
        break;
    }
    return exitcode::InstallFailure;
}

}  // namespace

int Main(const std::string& argumentText, bool& interactive) {
    interactive = false;
    static WinRunSystem system;
    static Form1 form(system);
    form.Load();
    CheckEnvironment(form);

    if (argumentText.empty()) {
        Options().Unattended = false;
        form.Show();
        interactive = true;
        return exitcode::Success;
    }

    if (argumentText.find('?') != std::string::npos) {
        ShowCommandLineHelp(form);
        form.Unload();
        return exitcode::Success;
    }

    ParseResult parsed = ParseCommandLine(argumentText, Options(), form);
    if (!parsed.ok) {
        win::ShowMessageBox(nullptr, parsed.message, MB_OK | MB_ICONEXCLAMATION, kCommandLineErrorTitle);
        form.Unload();
        if (parsed.error == CommandLineError::CommandInvalid && Options().RightsDenied)
            return exitcode::AccessDenied;
        return exitcode::InvalidCommandLine;
    }

    Options().Unattended = true;
    if (Options().ShowWindow) form.Show();
    form.Command1_Click();
    return ExitStatusOf(form);
}

}  // namespace cvinst
