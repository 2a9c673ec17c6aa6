#include "startup/win32/module1.h"

#include <windows.h>

#include "engine/win32/run_system.h"
#include "forms/msgbox.h"
#include "startup/cmdline.h"
#include "startup/exit_codes.h"
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

int ExitStatusOf(const std::optional<RunReport>& run) {
    if (!run) return exitcode::NothingToRun;
    switch (run->outcome) {
    case RunOutcome::Completed:
        if (run->restartStarted) return exitcode::RebootInitiated;
        return run->restartRequired ? exitcode::RebootRequired : exitcode::Success;
    case RunOutcome::Cancelled:
    case RunOutcome::Declined:
        return exitcode::UserCancelled;
    case RunOutcome::Failed:
        break;
    }
    return exitcode::InstallFailure;
}

}  // namespace

MainResult Main(const std::string& argumentText) {
    static WinRunSystem system;
    static Form1 form(system);
    form.Load();
    CheckEnvironment(form);

    if (argumentText.empty()) {
        form.Show();
        return {exitcode::Success, true};
    }

    if (IsHelpRequest(argumentText)) {
        ShowCommandLineHelp(form);
        form.Unload();
        return {exitcode::Success, false};
    }

    WindowControls controls(form);
    const Acceptance accepted = AcceptCommandLine(argumentText, controls);
    if (!accepted.ok) {
        win::ShowMessageBox(nullptr, accepted.message, MB_OK | MB_ICONEXCLAMATION,
                            kCommandLineErrorTitle);
        form.Unload();
        return {accepted.rightsDenied ? exitcode::AccessDenied : exitcode::InvalidCommandLine,
                false};
    }

    RunOptions options = accepted.request.options;
    options.Unattended = true;
    form.SetRunOptions(options);
    if (accepted.request.ShowWindow) form.Show();
    form.Command1_Click();
    return {ExitStatusOf(form.LastRun), false};
}

}  // namespace cvinst
