#include "ui/win32/form1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/run_options.h"
#include "forms/message_loop.h"
#include "forms/msgbox.h"
#include "forms/text.h"
#include "ui/win32/license.h"
#include "win32_run_system.h"

namespace cvinst {
namespace {

constexpr int kAllPackages[] = {0, 1, 2, 3};

// The state the user sees, read from the controls' windows rather than from the objects.
struct ControlState {
    std::string caption;
    bool enabled;
    int check;  // BM_GETCHECK of buttons, -1 for labels
    bool operator==(const ControlState&) const = default;
};

void PrintTo(const ControlState& s, std::ostream* os) {
    *os << "{\"" << s.caption << "\", enabled " << s.enabled << ", check " << s.check << "}";
}

std::string WindowText(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return win::Utf8(text);
}

ControlState StateOf(HWND hwnd) {
    wchar_t cls[32] = {};
    GetClassNameW(hwnd, cls, static_cast<int>(std::size(cls)));
    const bool button = _wcsicmp(cls, L"Button") == 0;
    return {WindowText(hwnd), IsWindowEnabled(hwnd) != FALSE,
            button ? static_cast<int>(SendMessageW(hwnd, BM_GETCHECK, 0, 0)) : -1};
}

void Click(const win::Control& control) { SendMessageW(control.hwnd(), BM_CLICK, 0, 0); }

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        win::MessageBoxHook() = [this](const win::MessageBoxRequest& box) {
            boxes.push_back(box);
            return boxAnswer;
        };
        win::ModalShownHook() = [this](win::Form& shown) {
            auto* dialog = dynamic_cast<License*>(&shown);
            ASSERT_NE(dialog, nullptr) << "unexpected modal window " << shown.Caption();
            ++licenceShown;
            if (acceptLicence) {
                Click(dialog->Option2);
                Click(dialog->OKButton);
            } else {
                Click(dialog->CancelButton);
            }
        };
    }

    void TearDown() override {
        form.reset();
        win::MessageBoxHook() = nullptr;
        win::ModalShownHook() = nullptr;
        testkit::DispatchPendingMessages();
    }

    template <class Packages = std::initializer_list<int>>
    void Load(const Packages& packages, const RunOptions& options = {}) {
        for (int index : packages) system.AddPackage(index);
        form = std::make_unique<Form1>(system, log);
        form->SetRunOptions(options);
        form->Load();
        ASSERT_TRUE((form->hwnd() != nullptr));
        ASSERT_FALSE(IsWindowVisible(form->hwnd()));
    }

    std::vector<ControlState> Snapshot() const {
        std::vector<ControlState> states;
        for (const win::Control* c : form->Controls()) states.push_back(StateOf(c->hwnd()));
        return states;
    }

    std::vector<int> Ticks() const {
        std::vector<int> ticks;
        for (const auto& box : form->Check1) {
            EXPECT_EQ(SendMessageW(box.hwnd(), BM_GETCHECK, 0, 0), box.Value())
                << "the box shows another state than it holds: " << box.Caption();
            ticks.push_back(box.Value());
        }
        return ticks;
    }

    std::vector<bool> EnabledBoxes() const {
        std::vector<bool> enabled;
        for (const auto& box : form->Check1)
            enabled.push_back(IsWindowEnabled(box.hwnd()) != FALSE);
        return enabled;
    }

    std::vector<std::string> BoxCaptions() const {
        std::vector<std::string> captions;
        for (const auto& box : form->Check1) captions.push_back(WindowText(box.hwnd()));
        return captions;
    }

    std::string Status() const { return WindowText(form->Label2.hwnd()); }

    testkit::PumpingRunSystem system;
    NoLog log;
    std::unique_ptr<Form1> form;
    std::vector<win::MessageBoxRequest> boxes;
    int boxAnswer = IDOK;
    bool acceptLicence = true;
    int licenceShown = 0;

private:
};

const std::vector<std::string> kInstallBoxes = {
    "Install Corvane Menu", "Install Corvane Workstation", "Install Corvane Personal Server",
    "Install Corvane Examples"};
const std::vector<std::string> kUninstallBoxes = {
    "Uninstall Corvane Menu", "Uninstall Corvane Workstation", "Uninstall Corvane Personal Server",
    "Uninstall Corvane Examples"};

// ---- load --------------------------------------------------------------------------------------

TEST_F(Form1Test, LoadsWithTheInstallProfileAndEveryAvailableProgramTicked) {
    Load(kAllPackages);
    EXPECT_EQ(WindowText(form->hwnd()), "Corvane Installer 1.0");
    EXPECT_EQ(win::AppTitle(), "Corvane Installer 1.0");
    EXPECT_EQ(WindowText(form->Label1.hwnd()), "Action Profile:");
    EXPECT_EQ(WindowText(form->Label3.hwnd()), "Action(s) to perform:");
    EXPECT_EQ(StateOf(form->Option1[0].hwnd()),
              (ControlState{"Install Programs To \"Program Files\" Folder", true, BST_CHECKED}));
    EXPECT_EQ(
        StateOf(form->Option1[1].hwnd()),
        (ControlState{"Uninstall Programs From \"Program Files\" Folder", true, BST_UNCHECKED}));
    EXPECT_EQ(BoxCaptions(), kInstallBoxes);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(StateOf(form->Check2.hwnd()), (ControlState{"All Selected", true, BST_CHECKED}));
    EXPECT_EQ(Status(), "Status: Ready To Install Corvane");
    EXPECT_EQ(StateOf(form->Command1.hwnd()), (ControlState{"Install Corvane", true, 0}));
    EXPECT_EQ(StateOf(form->Command3.hwnd()), (ControlState{"Exit", true, 0}));
    EXPECT_FALSE(form->RunDone);
}

TEST_F(Form1Test, CommandOneIsTheDefaultButtonAndEnterPressesIt) {
    Load(kAllPackages);
    LRESULT def = SendMessageW(form->hwnd(), DM_GETDEFID, 0, 0);
    ASSERT_EQ(HIWORD(def), DC_HASDEFID);
    EXPECT_EQ(LOWORD(def), GetDlgCtrlID(form->Command1.hwnd()));
    EXPECT_TRUE(GetWindowLongW(form->Command1.hwnd(), GWL_STYLE) & BS_DEFPUSHBUTTON);

    Click(form->Check2);  // nothing ticked: Enter must reach the action button's check
    MSG enter{form->Check1[0].hwnd(), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    EXPECT_TRUE(win::PreTranslate(enter));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select action to perform.");
}

std::vector<HWND> TabWalk(HWND dialog, HWND from, size_t steps) {
    std::vector<HWND> walked;
    for (HWND at = from; walked.size() < steps;)
        walked.push_back(at = GetNextDlgTabItem(dialog, at, FALSE));
    return walked;
}

// Tab reaches an option group at its selected button only (the button control keeps WS_TABSTOP
// on the checked one), so the walk passes through Option1 1 only while it is selected.
TEST_F(Form1Test, TabVisitsTheControlsInTheirOrder) {
    Load(kAllPackages);
    for (const win::Control* c : form->Controls()) ASSERT_TRUE(IsWindowEnabled(c->hwnd()));
    const std::vector<HWND> order = {
        form->Option1[0].hwnd(), form->Option1[1].hwnd(), form->Check1[0].hwnd(),
        form->Check1[1].hwnd(),  form->Check1[2].hwnd(),  form->Check1[3].hwnd(),
        form->Check2.hwnd(),     form->Command1.hwnd(),   form->Command3.hwnd()};

    std::vector<HWND> focusable;
    for (HWND c = GetWindow(form->hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, static_cast<int>(std::size(cls)));
        if (_wcsicmp(cls, L"Static") != 0) focusable.push_back(c);
    }
    EXPECT_EQ(focusable, order);
    EXPECT_EQ(GetNextDlgGroupItem(form->hwnd(), order[0], FALSE), order[1]);
    EXPECT_EQ(GetNextDlgGroupItem(form->hwnd(), order[1], FALSE), order[0]);

    std::vector<HWND> expected(order.begin() + 2, order.end());
    expected.push_back(order[0]);
    EXPECT_EQ(TabWalk(form->hwnd(), order[0], expected.size()), expected);

    Click(form->Option1[1]);
    expected.back() = order[1];
    EXPECT_EQ(TabWalk(form->hwnd(), order[1], expected.size()), expected);
}

// ---- profiles
// ------------------------------------------------------------------------------------

TEST_F(Form1Test, SwitchingTheProfileChangesCaptionsAndStatusButNoTick) {
    Load(kAllPackages);
    form->Check1[1].SetValue(0);
    form->Check1[3].SetValue(0);

    Click(form->Option1[1]);
    EXPECT_EQ(BoxCaptions(), kUninstallBoxes);
    EXPECT_EQ(Status(), "Status: Ready To Uninstall Corvane");
    EXPECT_EQ(WindowText(form->Command1.hwnd()), "Uninstall Corvane");
    EXPECT_EQ(SendMessageW(form->Option1[0].hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(form->Option1[1].hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 1, 0}));
    EXPECT_EQ(form->Check2.Value(), 1);

    Click(form->Option1[0]);
    EXPECT_EQ(BoxCaptions(), kInstallBoxes);
    EXPECT_EQ(Status(), "Status: Ready To Install Corvane");
    EXPECT_EQ(WindowText(form->Command1.hwnd()), "Install Corvane");
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 1, 0}));
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

TEST_F(Form1WithoutServerPackage, LoadLeavesTheUnavailableBoxDisabledAndUnticked) {
    EXPECT_EQ(EnabledBoxes(), (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 1, 0, 1}));
}

TEST_F(Form1WithoutServerPackage, TickingAllUnticksADisabledBox) {
    form->ChkAll(0);
    form->Check1[2].SetValue(1);  // only the command line can tick it
    form->ChkAll(1);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 1, 0, 1}));
}

TEST_F(Form1WithoutServerPackage, ClearingAllClearsTheDisabledBoxToo) {
    form->Check1[2].SetValue(1);
    form->ChkAll(0);
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 0, 0}));
}

TEST_F(Form1WithoutServerPackage, AllSelectedClickedOffAndOnAgain) {
    form->Check1[2].SetValue(1);

    Click(form->Check2);
    EXPECT_EQ(SendMessageW(form->Check2.hwnd(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 0, 0, 0}));

    Click(form->Check2);
    EXPECT_EQ(SendMessageW(form->Check2.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 1, 0, 1}));
}

TEST_F(Form1WithoutServerPackage, AllSelectedDoesNotFollowTheProgramBoxes) {
    Click(form->Check1[0]);
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(SendMessageW(form->Check2.hwnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
}

// ---- nothing chosen
// ------------------------------------------------------------------------------

void ExpectNothingSelectedBox(const std::vector<win::MessageBoxRequest>& boxes, HWND owner) {
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please select action to perform.");
    EXPECT_EQ(boxes[0].caption, "Corvane Installer 1.0");
    EXPECT_EQ(boxes[0].flags & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[0].owner, owner);
}

TEST_F(Form1Test, ActionWithNothingTickedAsksForASelectionAndRunsNothing) {
    Load(kAllPackages);
    Click(form->Check2);
    Click(form->Command1);
    ExpectNothingSelectedBox(boxes, form->hwnd());
    EXPECT_EQ(licenceShown, 0);
    EXPECT_TRUE(system.msiCalls.empty());
    EXPECT_EQ(Status(), "Status: Ready To Install Corvane");
    EXPECT_TRUE((form->hwnd() != nullptr));
}

TEST_F(Form1WithoutServerPackage, ATickedDisabledBoxIsNoSelection) {
    Click(form->Check2);
    form->Check1[2].SetValue(1);
    Click(form->Command1);
    ExpectNothingSelectedBox(boxes, form->hwnd());
    EXPECT_EQ(licenceShown, 0);
    EXPECT_TRUE(system.msiCalls.empty());
}

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
        Click(form->Option1[1]);
    }
    boxAnswer = IDYES;  // the removal's confirmation

    Click(form->Command1);
    EXPECT_EQ(licenceShown, run.uninstall ? 0 : 1);
    EXPECT_EQ(system.msiCalls.size(), 4u);
    EXPECT_EQ(Status(), run.completed);
    EXPECT_TRUE(form->RunDone);
    EXPECT_TRUE(IsWindowEnabled(form->Command1.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form->Command3.hwnd()));

    Click(form->Check1[1]);
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(Status(), run.ready);
    EXPECT_EQ(BoxCaptions(), run.uninstall ? kUninstallBoxes : kInstallBoxes);
    EXPECT_FALSE(form->RunDone);

    std::vector<ControlState> before = Snapshot();
    Click(form->Check1[3]);
    std::vector<ControlState> after = Snapshot();
    const size_t box3 = static_cast<size_t>(
        std::find(form->Controls().begin(), form->Controls().end(), &form->Check1[3]) -
        form->Controls().begin());
    ASSERT_LT(box3, before.size());
    before[box3].check = BST_UNCHECKED;
    EXPECT_EQ(after, before);
    EXPECT_EQ(system.msiCalls.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, Form1AfterRun,
    ::testing::Values(RunCase{"Install", false, "Status: Installation Completed",
                              "Status: Ready To Install Corvane"},
                      RunCase{"Uninstall", true, "Status: Uninstallation Completed",
                              "Status: Ready To Uninstall Corvane"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, DeclinedLicenceRunsNothingAndKeepsTheWindowReady) {
    Load(kAllPackages);
    acceptLicence = false;
    Click(form->Command1);
    EXPECT_EQ(licenceShown, 1);
    EXPECT_TRUE(system.msiCalls.empty());
    EXPECT_EQ(Status(), "Status: Ready To Install Corvane");
    EXPECT_FALSE(form->RunDone);
}

TEST_F(Form1Test, CloseIsRefusedWhileARunIsInProgress) {
    Load(kAllPackages);
    std::vector<std::vector<ControlState>> during;
    system.duringMsiExec = [&](const std::string&) {
        PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
        during.push_back(Snapshot());
    };

    Click(form->Command1);
    ASSERT_TRUE((form->hwnd() != nullptr));
    EXPECT_TRUE(IsWindow(form->hwnd()));
    EXPECT_EQ(system.msiCalls.size(), 4u);
    EXPECT_EQ(Status(), "Status: Installation Completed");
    ASSERT_FALSE(during.empty());
    // Only the two buttons are disabled during the run.
    for (size_t i = 0; i < form->Controls().size(); ++i) {
        const win::Control* c = form->Controls()[i];
        const bool button = c == &form->Command1 || c == &form->Command3;
        EXPECT_EQ(during[0][i].enabled, !button) << during[0][i].caption;
    }

    PostMessageW(form->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(testkit::DispatchPendingMessages()) << "closing the window must end the program";
    EXPECT_FALSE((form->hwnd() != nullptr));
}

TEST_F(Form1Test, ExitClosesTheWindowAndEndsTheProgram) {
    Load(kAllPackages);
    HWND hwnd = form->hwnd();
    Click(form->Command3);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(testkit::DispatchPendingMessages());
}

// ---- packages
// ------------------------------------------------------------------------------------

TEST_F(Form1Test, OnlyTheWorkstationPackageEnablesOnlyItsBox) {
    Load({1});
    EXPECT_EQ(EnabledBoxes(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(Ticks(), (std::vector<int>{0, 1, 0, 0}));
    EXPECT_TRUE(IsWindowEnabled(form->Option1[0].hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form->Option1[1].hwnd()));
    EXPECT_EQ(Status(), "Status: Ready To Install Corvane");
}

TEST_F(Form1Test, NoPackageInAnInteractiveLoadDisablesBothProfiles) {
    Load({});
    EXPECT_EQ(EnabledBoxes(), (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(IsWindowEnabled(form->Option1[0].hwnd()));
    EXPECT_FALSE(IsWindowEnabled(form->Option1[1].hwnd()));
    EXPECT_EQ(Status(), "Status: No Corvane Packages Found Beside The Installer");

    Click(form->Command1);
    ExpectNothingSelectedBox(boxes, form->hwnd());
    EXPECT_TRUE(system.msiCalls.empty());
}

TEST_F(Form1Test, NoPackageWhileUnattendedLeavesTheProfilesAlone) {
    RunOptions unattended;
    unattended.Unattended = true;
    Load({}, unattended);
    EXPECT_EQ(EnabledBoxes(), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(IsWindowEnabled(form->Option1[0].hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form->Option1[1].hwnd()));
}

TEST_F(Form1Test, APackageAddedLaterShowsUpWhenTheProfileIsApplied) {
    Load({0});
    system.AddPackage(3);
    EXPECT_FALSE(IsWindowEnabled(form->Check1[3].hwnd()));
    Click(form->Option1[1]);
    EXPECT_EQ(EnabledBoxes(), (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(Ticks(), (std::vector<int>{1, 0, 0, 0}));
}

}  // namespace
}  // namespace cvinst
