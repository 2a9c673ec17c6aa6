#include "ui/win32/form1.h"

#include <windows.h>

#include "engine/catalogue.h"
#include "forms/msgbox.h"
#include "support/win32/locale_font.h"
#include "ui/profile.h"
#include "ui/win32/form_lines.h"
#include "ui/win32/license.h"
#include "ui/win32/version.h"

namespace cvinst {

Form1::Form1(RunSystem& system, Log& log)
    : Form(win::FormKind::Main, 7305, 4995),
      Label1(*this, 210, 150, 975, 195, "Action Profile:", true),
      Option1{{{*this, 390, 540, 7365, 255, "", true}, {*this, 390, 855, 7365, 255, ""}}},
      Label3(*this, 210, 1950, 1410, 195, "Action(s) to perform:", true),
      Check1{{{*this, 390, 2340, 6705, 255, "Install Corvane Menu"},
              {*this, 390, 2730, 6705, 255, "Install Corvane Workstation"},
              {*this, 390, 3120, 6705, 255, "Install Corvane Personal Server"},
              {*this, 390, 3510, 5235, 255, "Install Corvane Examples"}}},
      Check2(*this, 5820, 3510, 1245, 255, "All Selected", 1),
      Label2(*this, 232, 4020, 6855, 210, "Status: Ready To Install Corvane"),
      Command1(*this, 217, 4500, 5250, 345, "", true),
      Command3(*this, 5722, 4500, 1350, 345, "Exit"), system_(system), log_(log) {
    win::OptionButton::Group({&Option1[0], &Option1[1]});
    for (int i = 0; i < 2; ++i) Option1[i].onClick = [this, i] { Option1_Click(i); };
    for (int i = 0; i < kProgramCount; ++i) Check1[i].onClick = [this, i] { Check1_Click(i); };
    Check2.onClick = [this] { Check2_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command3.onClick = [this] { Command3_Click(); };
}

void Form1::Form_Load() {
    DrawSeparatorLines(*this, {40, 400, 1850, 2225, 3875, 4325});
    Option1[0].SetCaption(kInstallCaption);
    Option1[1].SetCaption(kUninstallCaption);
    Boxes.title = ProgramTitle();
    SetCaption(Boxes.title);
    ApplyProfile();
    Font.Apply(*this);
    ChkAll(1);
}

void Form1::ApplyProfile() {
    const Profile& profile = Option1[1].Value() ? kUninstallProfile : kInstallProfile;
    Label2.SetCaption(profile.readyStatus);
    Command1.SetCaption(profile.buttonCaption);
    for (int i = 0; i < kProgramCount; ++i)
        Check1[i].SetCaption(std::string(profile.boxPrefix) +
                             std::string(ProgramCatalogue[i].name));
    Check1[3].SetEnabled(true);
    ChkPackages();
    Repaint();
    RunDone = false;
}

void Form1::ChkPackages() {
    packagesFound_ = cvinst::ChkPackages(
        system_.InstallerFolder(), options_.Unattended,
        [this](const std::string& path) { return system_.FindFile(path); }, *this);
    if (!packagesFound_ && !options_.Unattended) Label2.SetCaption(kNoPackages);
}

bool Form1::NothingSelected() {
    for (auto& box : Check1)
        if (box.Enabled() && box.Value() != 0) return false;
    Boxes.Show(hwnd(), kNothingSelected, MB_OK | MB_ICONEXCLAMATION);
    return true;
}

void Form1::Command1_Click() {
    ApplyProfile();
    if (!NothingSelected()) {
        if (Option1[0].Value())
            InstallCW(true);
        else if (Option1[1].Value())
            InstallCW(false);
    }
    if (options_.Unattended) Unload();
}

void Form1::InstallCW(bool install) {
    LastRun = cvinst::InstallCW(install, options_, *this, system_, log_);
}

void Form1::Option1_Click(int) { ApplyProfile(); }

void Form1::Check1_Click(int) {
    if (RunDone) ApplyProfile();
}

void Form1::Check2_Click() {
    ChkAll(Check2.Value());
    if (RunDone) ApplyProfile();
}

void Form1::Command3_Click() {
    if (cancelOffered_) {
        cancelAsked_ = true;
        Command3.SetEnabled(false);
        return;
    }
    closedWith_ = "Exit";
    Unload();
}

void Form1::ChkAll(int state) {
    for (auto& box : Check1) box.SetValue(state == 1 && !box.Enabled() ? 0 : state);
}

bool Form1::Form_QueryUnload() { return !running_; }

void Form1::Form_Unload() { PostQuitMessage(0); }

// ---- the run's view of the window -----------------------------------------------------------

bool Form1::ConfirmInstall() {
    License dialog(Font);
    dialog.ShareFontsOf(*this);
    dialog.ShowModal(this);
    return dialog.AgreementAccepted;
}

bool Form1::ConfirmRemoval() {
    return Boxes.Show(hwnd(), kConfirmRemoval, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Form1::EnableCmds(bool enabled) {
    Command1.SetEnabled(enabled);
    Command3.SetEnabled(enabled);
    // While msiexec runs the window must stay: the run comes back to it.
    running_ = !enabled;
    SetCloseEnabled(enabled);
}

void Form1::Sata(std::string_view text) {
    Label2.SetCaption(text);
    if (Label2.hwnd())
        RedrawWindow(Label2.hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

int Form1::ProgramCheck(int index) { return Check1[index].Value(); }

void Form1::FocusExit() { Command3.SetFocus(); }

void Form1::SetRunDone(bool done) { RunDone = done; }

void Form1::ShowError(std::string_view text) {
    Boxes.Show(hwnd(), text, MB_OK | MB_ICONEXCLAMATION);
}

void Form1::OfferCancel(bool offered) {
    cancelOffered_ = offered;
    cancelAsked_ = false;
    Command3.SetCaption(offered ? "Cancel" : "Exit");
    Command3.SetEnabled(offered);
}

void Form1::SetProgramEnabled(int index, bool enabled) { Check1[index].SetEnabled(enabled); }
void Form1::DisableActions() {
    Option1[0].SetEnabled(false);
    Option1[1].SetEnabled(false);
}

}  // namespace cvinst
