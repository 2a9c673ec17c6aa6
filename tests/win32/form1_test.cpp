#include "ui/win32/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/run_options.h"
#include "forms/msgbox.h"
#include "startup/win32/module1.h"
#include "ui/win32/license.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

using testkit::ControlState;
using testkit::Press;
using testkit::Text;

constexpr int kAllPackages[] = {0, 1, 2, 3};
constexpr char kReadyToInstall[] = "Status: Ready To Install Corvane";
constexpr char kNoPackages[] = "Status: No Corvane Packages Found Beside The Installer";

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        licence.act = [this](win::Form& shown) {
            auto* dialog = dynamic_cast<License*>(&shown);
            ASSERT_NE(dialog, nullptr) << "unexpected modal window " << shown.Caption();
            if (acceptLicence) {
                Press(dialog->Option2);
                Press(dialog->OKButton);
            } else {
                Press(dialog->CancelButton);
            }
        };
    }

    void TearDown() override {
        form.reset();
        testkit::DispatchPendingMessages();
    }

    template <class Packages = std::initializer_list<int>>
    void Load(const Packages& packages, const RunOptions& options = {}) {
        for (int index : packages) system.AddPackage(index);
        form = std::make_unique<Form1>(system, log);
        boxes.Answer(form->Boxes);
        licence.Watch(*form);
        form->SetRunOptions(options);
        form->Load();
        ASSERT_TRUE((form->hwnd() != nullptr));
        ASSERT_FALSE(IsWindowVisible(form->hwnd()));
    }

    // The program boxes' ticks, one digit each ("1011").
    std::string Ticks() const {
        std::string ticks;
        for (const auto& box : form->Check1) {
            EXPECT_EQ(testkit::CheckState(box.hwnd()), box.Value())
                << "the box shows another state than it holds: " << box.Caption();
            ticks += static_cast<char>('0' + box.Value());
        }
        return ticks;
    }

    // Which program boxes are enabled, one digit each ("1101").
    std::string EnabledBoxes() const {
        std::string enabled;
        for (const auto& box : form->Check1) enabled += testkit::Enabled(box.hwnd()) ? '1' : '0';
        return enabled;
    }

    std::vector<std::string> BoxCaptions() const {
        std::vector<std::string> captions;
        for (const auto& box : form->Check1) captions.push_back(Text(box.hwnd()));
        return captions;
    }

    std::string Status() const { return Text(form->Label2.hwnd()); }

    testkit::AnsweredBoxes boxes;
    testkit::ModalForms licence;
    testkit::PumpingRunSystem system;
    testkit::RecordingLog log;
    std::unique_ptr<Form1> form;
    bool acceptLicence = true;
};

const std::vector<std::string> kInstallBoxes = {
    "Install Corvane Menu", "Install Corvane Workstation", "Install Corvane Personal Server",
    "Install Corvane Examples"};
const std::vector<std::string> kUninstallBoxes = {
    "Uninstall Corvane Menu", "Uninstall Corvane Workstation", "Uninstall Corvane Personal Server",
    "Uninstall Corvane Examples"};

// ---- load
// ----------------------------------------------------------------------------------------

TEST_F(Form1Test, LoadsWithTheInstallProfileAndEveryAvailableProgramTicked) {
    Load(kAllPackages);
    EXPECT_EQ(Text(form->hwnd()), "Corvane Installer 1.0");
    EXPECT_EQ(form->Boxes.title, "Corvane Installer 1.0");
    EXPECT_EQ(testkit::StatesOf(*form),
              (std::vector<ControlState>{
                  {"Action Profile:", true, -1},
                  {"Install Programs To \"Program Files\" Folder", true, BST_CHECKED},
                  {"Uninstall Programs From \"Program Files\" Folder", true, BST_UNCHECKED},
                  {"Action(s) to perform:", true, -1},
                  {"Install Corvane Menu", true, BST_CHECKED},
                  {"Install Corvane Workstation", true, BST_CHECKED},
                  {"Install Corvane Personal Server", true, BST_CHECKED},
                  {"Install Corvane Examples", true, BST_CHECKED},
                  {"All Selected", true, BST_CHECKED},
                  {kReadyToInstall, true, -1},
                  {"Install Corvane", true, BST_UNCHECKED},
                  {"Exit", true, BST_UNCHECKED}}));
    EXPECT_EQ(Ticks(), "1111");
    EXPECT_FALSE(form->RunDone);
}

// What the packages beside the installer make of the program boxes, the profiles and the status.
struct LoadCase {
    const char* name;
    std::vector<int> packages;
    bool unattended;
    const char* enabledBoxes;  // one digit a box
    const char* ticks;
    bool profilesEnabled;
    const char* status;
};

class Form1Load : public Form1Test, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(Form1Load, EnablesAndTicksTheBoxesOfThePackagesFound) {
    const LoadCase& c = GetParam();
    RunOptions options;
    options.Unattended = c.unattended;
    Load(c.packages, options);
    EXPECT_EQ(EnabledBoxes(), c.enabledBoxes);
    EXPECT_EQ(Ticks(), c.ticks);
    EXPECT_EQ(testkit::Enabled(form->Option1[0].hwnd()), c.profilesEnabled);
    EXPECT_EQ(testkit::Enabled(form->Option1[1].hwnd()), c.profilesEnabled);
    EXPECT_EQ(Status(), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, Form1Load,
    ::testing::Values(
        LoadCase{"WithoutTheServers", {0, 1, 3}, false, "1101", "1101", true, kReadyToInstall},
        LoadCase{"OnlyTheWorkstations", {1}, false, "0100", "0100", true, kReadyToInstall},
        // A person could do nothing with the profiles; a command line still selects one.
        LoadCase{"NoneInteractive", {}, false, "0000", "0000", false, kNoPackages},
        LoadCase{"NoneUnattended", {}, true, "0000", "0000", true, kReadyToInstall}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, CommandOneIsTheDefaultButtonAndEnterPressesIt) {
    Load(kAllPackages);
    LRESULT def = SendMessageW(form->hwnd(), DM_GETDEFID, 0, 0);
    ASSERT_EQ(HIWORD(def), DC_HASDEFID);
    EXPECT_EQ(LOWORD(def), GetDlgCtrlID(form->Command1.hwnd()));
    EXPECT_TRUE(GetWindowLongW(form->Command1.hwnd(), GWL_STYLE) & BS_DEFPUSHBUTTON);

    Press(form->Check2);  // nothing ticked: Enter must reach the action button's check
    testkit::PressKey(form->Check1[0].hwnd(), VK_RETURN);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Please select action to perform.");
}

// Tab reaches an option group at its selected button only (the button control keeps WS_TABSTOP
// on the checked one), so the walk passes through Option1 1 only while it is selected.
TEST_F(Form1Test, TabVisitsTheControlsInTheirOrder) {
    Load(kAllPackages);
    form->Show();
    const std::vector<HWND> order = {
        form->Option1[0].hwnd(), form->Option1[1].hwnd(), form->Check1[0].hwnd(),
        form->Check1[1].hwnd(),  form->Check1[2].hwnd(),  form->Check1[3].hwnd(),
        form->Check2.hwnd(),     form->Command1.hwnd(),   form->Command3.hwnd()};

    std::vector<HWND> focusable;
    for (HWND c : testkit::Children(form->hwnd()))
        if (testkit::ClassName(c) != "Static") focusable.push_back(c);
    EXPECT_EQ(focusable, order);
    EXPECT_EQ(GetNextDlgGroupItem(form->hwnd(), order[0], FALSE), order[1]);
    EXPECT_EQ(GetNextDlgGroupItem(form->hwnd(), order[1], FALSE), order[0]);

    std::vector<HWND> expected(order.begin() + 2, order.end());
    expected.push_back(order[0]);
    EXPECT_EQ(testkit::TabWalk(order[0], expected.size()), expected);

    Press(form->Option1[1]);
    expected.back() = order[1];
    EXPECT_EQ(testkit::TabWalk(order[1], expected.size()), expected);
}

// ---- profiles
// ------------------------------------------------------------------------------------

TEST_F(Form1Test, SwitchingTheProfileChangesCaptionsAndStatusButNoTick) {
    Load(kAllPackages);
    form->Check1[1].SetValue(0);
    form->Check1[3].SetValue(0);

    Press(form->Option1[1]);
    EXPECT_EQ(BoxCaptions(), kUninstallBoxes);
    EXPECT_EQ(Status(), "Status: Ready To Uninstall Corvane");
    EXPECT_EQ(Text(form->Command1.hwnd()), "Uninstall Corvane");
    EXPECT_EQ(testkit::CheckState(form->Option1[0].hwnd()), BST_UNCHECKED);
    EXPECT_EQ(testkit::CheckState(form->Option1[1].hwnd()), BST_CHECKED);
    EXPECT_EQ(Ticks(), "1010");
    EXPECT_EQ(form->Check2.Value(), 1);

    Press(form->Option1[0]);
    EXPECT_EQ(BoxCaptions(), kInstallBoxes);
    EXPECT_EQ(Status(), kReadyToInstall);
    EXPECT_EQ(Text(form->Command1.hwnd()), "Install Corvane");
    EXPECT_EQ(Ticks(), "1010");
}

// ---- program boxes
// -------------------------------------------------------------------------------

class Form1WithoutServerPackage : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        Load({0, 1, 3});
    }
};

TEST_F(Form1WithoutServerPackage, TickingAllUnticksADisabledBox) {
    form->ChkAll(0);
    form->Check1[2].SetValue(1);  // only the command line can tick it
    form->ChkAll(1);
    EXPECT_EQ(Ticks(), "1101");
}

TEST_F(Form1WithoutServerPackage, ClearingAllClearsTheDisabledBoxToo) {
    form->Check1[2].SetValue(1);
    form->ChkAll(0);
    EXPECT_EQ(Ticks(), "0000");
}

TEST_F(Form1WithoutServerPackage, AllSelectedClickedOffAndOnAgain) {
    form->Check1[2].SetValue(1);

    Press(form->Check2);
    EXPECT_EQ(testkit::CheckState(form->Check2.hwnd()), BST_UNCHECKED);
    EXPECT_EQ(Ticks(), "0000");

    Press(form->Check2);
    EXPECT_EQ(testkit::CheckState(form->Check2.hwnd()), BST_CHECKED);
    EXPECT_EQ(Ticks(), "1101");
}

TEST_F(Form1WithoutServerPackage, AllSelectedDoesNotFollowTheProgramBoxes) {
    Press(form->Check1[0]);
    EXPECT_EQ(Ticks(), "0101");
    EXPECT_EQ(testkit::CheckState(form->Check2.hwnd()), BST_CHECKED);
}

// ---- nothing chosen
// ------------------------------------------------------------------------------

struct NothingChosenCase {
    const char* name;
    std::vector<int> packages;
    std::function<void(Form1&)> choose;  // what the user did before pressing the action button
};

class Form1NothingChosen : public Form1Test,
                           public ::testing::WithParamInterface<NothingChosenCase> {};

TEST_P(Form1NothingChosen, TheActionAsksForASelectionAndRunsNothing) {
    Load(GetParam().packages);
    GetParam().choose(*form);
    const std::string status = Status();

    Press(form->Command1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Please select action to perform.");
    EXPECT_EQ(boxes.shown[0].caption, "Corvane Installer 1.0");
    EXPECT_EQ(boxes.shown[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes.shown[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.shown[0].owner, form->hwnd());
    EXPECT_EQ(licence.shown, 0);
    EXPECT_TRUE(system.msiCalls.empty());
    EXPECT_EQ(Status(), status);
    EXPECT_TRUE(IsWindow(form->hwnd())) << "the window stays for another choice";
}

INSTANTIATE_TEST_SUITE_P(
    Choices, Form1NothingChosen,
    ::testing::Values(
        NothingChosenCase{"EveryBoxUnticked", {0, 1, 2, 3}, [](Form1& f) { Press(f.Check2); }},
        // Only the command line can tick a box whose package is missing.
        NothingChosenCase{"OnlyADisabledBoxTicked",
                          {0, 1, 3},
                          [](Form1& f) {
                              Press(f.Check2);
                              f.Check1[2].SetValue(1);
                          }},
        NothingChosenCase{"NoPackageAtAll", {}, [](Form1&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- a run and the way back to Ready
// -------------------------------------------------------------

struct RunCase {
    const char* name;
    bool uninstall;
    const char* completed;
    const char* ready;
};

class Form1AfterRun : public Form1Test, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Form1AfterRun, FirstBoxClickRestoresReadySecondChangesOnlyItsBox) {
    const RunCase& run = GetParam();
    Load(kAllPackages);
    if (run.uninstall) {
        for (int index : kAllPackages) system.MarkInstalled(index);
        Press(form->Option1[1]);
    }
    boxes.answer = IDYES;  // the removal's confirmation

    Press(form->Command1);
    EXPECT_EQ(licence.shown, run.uninstall ? 0 : 1);
    EXPECT_EQ(system.msiCalls.size(), 4u);
    EXPECT_EQ(Status(), run.completed);
    EXPECT_TRUE(form->RunDone);
    EXPECT_TRUE(testkit::Enabled(form->Command1.hwnd()));
    EXPECT_TRUE(testkit::Enabled(form->Command3.hwnd()));

    Press(form->Check1[1]);
    EXPECT_EQ(Ticks(), "1011");
    EXPECT_EQ(Status(), run.ready);
    EXPECT_EQ(BoxCaptions(), run.uninstall ? kUninstallBoxes : kInstallBoxes);
    EXPECT_FALSE(form->RunDone);

    std::vector<ControlState> before = testkit::StatesOf(*form);
    Press(form->Check1[3]);
    const size_t box3 = static_cast<size_t>(
        std::find(form->Controls().begin(), form->Controls().end(), &form->Check1[3]) -
        form->Controls().begin());
    ASSERT_LT(box3, before.size());
    before[box3].check = BST_UNCHECKED;
    EXPECT_EQ(testkit::StatesOf(*form), before);
    EXPECT_EQ(system.msiCalls.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, Form1AfterRun,
    ::testing::Values(RunCase{"Install", false, "Status: Installation Completed", kReadyToInstall},
                      RunCase{"Uninstall", true, "Status: Uninstallation Completed",
                              "Status: Ready To Uninstall Corvane"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, DeclinedLicenceRunsNothingAndKeepsTheWindowReady) {
    Load(kAllPackages);
    acceptLicence = false;
    Press(form->Command1);
    EXPECT_EQ(licence.shown, 1);
    EXPECT_TRUE(system.msiCalls.empty());
    EXPECT_EQ(Status(), kReadyToInstall);
    EXPECT_FALSE(form->RunDone);
}

TEST_F(Form1Test, CloseIsRefusedWhileARunIsInProgress) {
    Load(kAllPackages);
    std::vector<std::vector<ControlState>> during;
    system.duringMsiExec = [&](const std::string&) {
        PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
        during.push_back(testkit::StatesOf(*form));
    };

    Press(form->Command1);
    ASSERT_TRUE(IsWindow(form->hwnd()));
    EXPECT_EQ(system.msiCalls.size(), 4u);
    EXPECT_EQ(Status(), "Status: Installation Completed");
    ASSERT_FALSE(during.empty());
    // Only the two buttons are disabled during the run.
    for (size_t i = 0; i < form->Controls().size(); ++i) {
        const win::Control* c = form->Controls()[i];
        const bool button = c == &form->Command1 || c == &form->Command3;
        EXPECT_EQ(during[0][i].enabled, !button) << during[0][i].text;
    }

    PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(testkit::DispatchPendingMessages()) << "closing the window must end the program";
    EXPECT_FALSE((form->hwnd() != nullptr));
}

TEST_F(Form1Test, ExitClosesTheWindowAndEndsTheProgram) {
    Load(kAllPackages);
    HWND hwnd = form->hwnd();
    Press(form->Command3);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(testkit::DispatchPendingMessages());
}

TEST_F(Form1Test, AWindowClosedBeforeAnyRunIsLoggedAsSuch) {
    for (const bool exitButton : {true, false}) {
        Load(kAllPackages);
        if (exitButton) {
            Press(form->Command3);
        } else {
            PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
        }
        testkit::DispatchPendingMessages();
        testkit::RecordingLog closing;
        LogWindowClosed(closing, *form, 0);
        const std::string with = exitButton ? "Exit" : "the close box";
        EXPECT_EQ(closing.lines, (std::vector<std::string>{"The window was closed with " + with +
                                                               " before anything was started",
                                                           "Exit status 0 (success)"}));
    }
}

// ---- packages
// ------------------------------------------------------------------------------------

TEST_F(Form1Test, APackageAddedLaterShowsUpWhenTheProfileIsApplied) {
    Load({0});
    system.AddPackage(3);
    EXPECT_FALSE(testkit::Enabled(form->Check1[3].hwnd()));
    Press(form->Option1[1]);
    EXPECT_EQ(EnabledBoxes(), "1001");
    EXPECT_EQ(Ticks(), "1000");
}

}  // namespace
}  // namespace cvinst
