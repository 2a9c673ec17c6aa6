#pragma once
// The main window: the action profiles, the program boxes, the action button and the status line.
#include <array>
#include <string_view>

#include "engine/install_run.h"
#include "engine/packages.h"
#include "forms/form.h"
#include "startup/cmdline.h"

namespace cvinst {

class Form1 : public win::Form,
              public RunWindow,
              public PackageControls,
              public CommandLineControls {
public:
    explicit Form1(RunSystem& system);

    win::Label Label1;
    std::array<win::OptionButton, 2> Option1;
    win::Label Label3;
    std::array<win::CheckBox, 4> Check1;
    win::CheckBox Check2;
    win::Label Label2;
    win::PushButton Command1;
    win::PushButton Command3;

    bool RunDone = false;
    // What the last run did; the unattended start turns it into the exit status.
    RunReport LastRun;
    bool RunAttempted = false;

    void Command1_Click();
    void Option1_Click(int index);
    void Check1_Click(int index);
    void Check2_Click();
    void Command3_Click();
    void InstallCW(bool cwInst);

    // RunWindow
    bool ConfirmInstall() override;
    bool ConfirmRemoval() override;
    void EnableCmds(bool enabled) override;
    void Sata(std::string_view vStr) override;
    int ProgramCheck(int index) override;
    void FocusExit() override;
    void SetRunDone(bool done) override;
    void ShowError(std::string_view text) override;

    // PackageControls
    void SetProgramEnabled(int index, bool enabled) override;
    bool ProgramEnabled(int index) override;
    void DisableActions() override;

    // CommandLineControls (ChkAll is also the window's own)
    void ChkAll(int CWChk) override;
    void SetProgramCheck(int index, int value) override;
    bool ActionEnabled(int index) override;
    void SelectAction(int index) override;

    bool Running() const { return running_; }

protected:
    void Form_Load() override;
    bool Form_QueryUnload() override;
    void Form_Unload() override;

private:
    void ApplyProfile();
    bool NothingSelected();
    void ChkPackages();

    RunSystem& system_;
    bool running_ = false;
};

}  // namespace cvinst
