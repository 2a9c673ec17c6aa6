// The start-up's effect on the real, hidden main window.
#include "startup/win32/module1.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/win32/text.h"
#include "engine/run_options.h"
#include "forms/msgbox.h"
#include "support/win32/log_file.h"
#include "ui/win32/form1.h"
#include "ui/win32/license.h"
#include "win32_files.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

class StartupWindow : public ::testing::Test {
protected:
    void SetUp() override {
        licence.act = [](win::Form& shown) {
            if (auto* dialog = dynamic_cast<License*>(&shown))
                testkit::Press(dialog->CancelButton.hwnd());
        };
        for (int i = 0; i < 3; ++i) system.AddPackage(i);  // Examples' package is missing
        boxes.Answer(form.Boxes);
        licence.Watch(form);
        form.Load();
    }
    void TearDown() override {
        form.Unload();
        testkit::DispatchPendingMessages();
    }

    testkit::AnsweredBoxes boxes;
    testkit::ModalForms licence;
    testkit::PumpingRunSystem system;
    testkit::RecordingLog log;
    Form1 form{system, log};
};

TEST_F(StartupWindow, DeniedRightsDisableBothActionsAndTickTheFirstThreePrograms) {
    form.ChkAll(0);
    form.Check1[3].SetValue(1);
    ApplyEnvironmentCheck(form, false);
    EXPECT_FALSE(IsWindowEnabled(form.Option1[0].hwnd()));
    EXPECT_FALSE(IsWindowEnabled(form.Option1[1].hwnd()));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(testkit::CheckState(form.Check1[i].hwnd()), BST_CHECKED) << i;
    EXPECT_EQ(form.Check1[3].Value(), 1) << "Examples is left as it was";
    EXPECT_TRUE(boxes.shown.empty()) << "the check shows nothing by itself";

    // The install profile stays selected, so the action button still starts an install.
    EXPECT_TRUE(form.Option1[0].Value());
    testkit::Press(form.Command1.hwnd());
    EXPECT_EQ(licence.shown, 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StartupWindow, AllowedRightsChangeNothing) {
    form.Check1[1].SetValue(0);
    ApplyEnvironmentCheck(form, true);
    EXPECT_TRUE(IsWindowEnabled(form.Option1[0].hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form.Option1[1].hwnd()));
    EXPECT_EQ(form.Check1[1].Value(), 0);
}

TEST_F(StartupWindow, ATickedBoxWhosePackageGoesStaysTickedButDisabled) {
    ASSERT_EQ(form.Check1[0].Value(), 1);
    system.RemovePackage(0);
    testkit::Press(form.Option1[1].hwnd());  // applies the profile again
    EXPECT_FALSE(IsWindowEnabled(form.Check1[0].hwnd()));
    EXPECT_EQ(testkit::CheckState(form.Check1[0].hwnd()), BST_CHECKED);
}

// Refuses to create any form of ours, as a system out of window resources would.
LRESULT CALLBACK RefuseForms(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lp)->lpcs;
        if (!IS_INTRESOURCE(cs->lpszClass) && wcscmp(cs->lpszClass, L"CVInstForm") == 0) return 1;
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

TEST(MainStart, AMainWindowThatCannotBeCreatedEndsTheProgramWith1603AndSaysWhy) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    testkit::AnsweredBoxes boxes;
    testkit::PumpingRunSystem system;
    LogFile log;
    Form1 form(system, log);
    boxes.Answer(form.Boxes);
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseForms, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const MainResult result =
        Main("CVInst.exe /I /LOG=\"" + folder.File("run.log") + "\"", form, log);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(result.exitStatus, 1603);
    EXPECT_FALSE(result.interactive);
    EXPECT_FALSE(result.instanceLock);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "Corvane Installer");
    EXPECT_EQ(boxes.shown[0].text,
              "Corvane Installer could not create its window and has stopped.");
    const std::string written = testkit::FileBytes(folder.File("run.log")).value_or("");
    EXPECT_NE(written.find("] Exit status 1603 (failed)\r\n"), std::string::npos) << written;
}

}  // namespace
}  // namespace cvinst
