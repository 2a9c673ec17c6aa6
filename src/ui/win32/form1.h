#pragma once
// The main window: the action profiles, the program boxes, the action button and the status line.
#include <array>
#include <optional>
#include <string_view>

#include "engine/install_run.h"
#include "engine/packages.h"
#include "engine/run_options.h"
#include "forms/form.h"
#include "forms/msgbox.h"
#include "support/log.h"
#include "support/win32/locale_font.h"

namespace cvinst {

class Form1 : public win::Form, public RunWindow, public PackageControls {
public:
    // The runs go to `system` and write their events to `log`.
    Form1(RunSystem& system, Log& log);

    win::Label Label1;
    std::array<win::OptionButton, 2> Option1;
    win::Label Label3;
    std::array<win::CheckBox, 4> Check1;
    win::CheckBox Check2;
    win::Label Label2;
    win::PushButton Command1;
    win::PushButton Command3;

    // Every box of the window and its runs.
    win::MessageBoxes Boxes;
    // The font of this window's controls and of the licence dialog's.
    LocaleFont Font;

    bool RunDone = false;
    // What the last run did; none when no run was started (nothing usable was selected).
    std::optional<RunReport> LastRun;

    // How the window was closed: "Exit" or "the close box" (also Alt+F4 and the system menu).
    std::string_view ClosedWith() const { return closedWith_; }

    // Whether the last look beside the installer found any package.
    bool PackagesFound() const { return packagesFound_; }

    // How the next runs go; an interactive start keeps the defaults.
    void SetRunOptions(const RunOptions& options) { options_ = options; }

    void Command1_Click();
    void Option1_Click(int index);
    void Check1_Click(int index);
    void Check2_Click();
    void Command3_Click();
    void InstallCW(bool install);
    void ChkAll(int state);

    // RunWindow
    bool ConfirmInstall() override;
    bool ConfirmRemoval() override;
    void EnableCmds(bool enabled) override;
    void Sata(std::string_view text) override;
    int ProgramCheck(int index) override;
    void FocusExit() override;
    void SetRunDone(bool done) override;
    void ShowError(std::string_view text) override;
    void OfferCancel(bool offered) override;
    bool CancelAsked() override { return cancelAsked_; }

    // PackageControls
    void SetProgramEnabled(int index, bool enabled) override;
    void DisableActions() override;

protected:
    void Form_Load() override;
    bool Form_QueryUnload() override;
    void Form_Unload() override;

private:
    void ApplyProfile();
    bool NothingSelected();
    void ChkPackages();

    RunSystem& system_;
    Log& log_;
    RunOptions options_;
    bool running_ = false;
    bool cancelOffered_ = false;
    bool cancelAsked_ = false;
    std::string_view closedWith_ = "the close box";
    bool packagesFound_ = false;
};

}  // namespace cvinst
