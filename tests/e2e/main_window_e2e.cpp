// CVInst.exe started without arguments: the main window as the user finds it, for a folder with
// no package and for one with two of the four.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"

namespace cvinst::e2e {
namespace {

using testkit::ControlState;
using States = std::vector<ControlState>;

// The whole window: what stays the same around the profiles, the four program boxes and the
// status line.
States WholeWindow(bool profilesEnabled, const States& programs, const char* status) {
    States window = {
        {"Action Profile:", true, -1},
        {"Install Programs To \"Program Files\" Folder", profilesEnabled, BST_CHECKED},
        {"Uninstall Programs From \"Program Files\" Folder", profilesEnabled, BST_UNCHECKED},
        {"Action(s) to perform:", true, -1}};
    window.insert(window.end(), programs.begin(), programs.end());
    window.insert(window.end(), {{"All Selected", true, BST_CHECKED},
                                 {status, true, -1},
                                 {"Install Corvane", true, BST_UNCHECKED},
                                 {"Exit", true, BST_UNCHECKED}});
    return window;
}

class MainWindow : public MainWindowTest {
protected:
    // Every control's state, in the window's order.
    States Shown() const { return testkit::StatesOf(testkit::Children(window)); }

    // Where a control of the layout (in twips) lands at the screen's DPI, to within a pixel.
    static void ExpectPlaced(HWND control, int left, int top, int width, int height) {
        SCOPED_TRACE(Text(control));
        const int dpi = testkit::ScreenDpi();
        const RECT r = testkit::RectInParent(control);
        EXPECT_NEAR(r.left, testkit::Pixels(left, dpi), 1);
        EXPECT_NEAR(r.top, testkit::Pixels(top, dpi), 1);
        EXPECT_NEAR(r.right - r.left, testkit::Pixels(width, dpi), 1);
        EXPECT_NEAR(r.bottom - r.top, testkit::Pixels(height, dpi), 1);
    }
};

TEST_F(MainWindow, WithoutPackagesOffersNothingAndAsksForASelection) {
    // Packages in the working folder do not count: only the installer's own folder does.
    TempFolder cwd;
    ASSERT_TRUE(cwd.Write("CVMenu.msi", "x"));
    ASSERT_TRUE(cwd.Write("CVExampl.msi", "x"));
    ASSERT_NO_FATAL_FAILURE(Open(PlaceWithFakePackages(folder, {}), cwd.Path()));

    const States offered = WholeWindow(false,
                                       {{"Install Corvane Menu", false, BST_UNCHECKED},
                                        {"Install Corvane Workstation", false, BST_UNCHECKED},
                                        {"Install Corvane Personal Server", false, BST_UNCHECKED},
                                        {"Install Corvane Examples", false, BST_UNCHECKED}},
                                       "Status: No Corvane Packages Found Beside The Installer");
    EXPECT_EQ(Shown(), offered);

    PostPress(action);
    HWND box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no message box after the action button";
    EXPECT_EQ(ReadBox(box), (BoxSeen{kMainTitle, "Please select action to perform.", kOkOnly}));
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_TRUE(testkit::Visible(window));
    EXPECT_EQ(Shown(), offered) << "the window changed after the box";

    ExitAndExpectStatusZero();
}

TEST_F(MainWindow, TwoPackagesEnableAndTickExactlyTheirBoxes) {
    ASSERT_NO_FATAL_FAILURE(Open(PlaceWithFakePackages(folder, {"CVMenu.msi", "CVExampl.msi"})));

    EXPECT_EQ(Shown(), WholeWindow(true,
                                   {{"Install Corvane Menu", true, BST_CHECKED},
                                    {"Install Corvane Workstation", false, BST_UNCHECKED},
                                    {"Install Corvane Personal Server", false, BST_UNCHECKED},
                                    {"Install Corvane Examples", true, BST_CHECKED}},
                                   "Status: Ready To Install Corvane"));

    const SIZE client = testkit::ClientSize(window);
    const int dpi = testkit::ScreenDpi();
    EXPECT_NEAR(client.cx, testkit::Pixels(7305, dpi), 1);
    EXPECT_NEAR(client.cy, testkit::Pixels(4995, dpi), 1);
    ExpectPlaced(option[0], 390, 540, 7365, 255);
    ExpectPlaced(option[1], 390, 855, 7365, 255);
    ExpectPlaced(program[0], 390, 2340, 6705, 255);
    ExpectPlaced(program[3], 390, 3510, 5235, 255);
    ExpectPlaced(allSelected, 5820, 3510, 1245, 255);
    ExpectPlaced(status, 232, 4020, 6855, 210);
    ExpectPlaced(action, 217, 4500, 5250, 345);
    ExpectPlaced(exitButton, 5722, 4500, 1350, 345);

    ExitAndExpectStatusZero();
}

}  // namespace
}  // namespace cvinst::e2e
