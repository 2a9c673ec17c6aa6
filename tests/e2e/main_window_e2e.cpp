// CVInst.exe started without arguments: the main window as the user finds it, for a folder with
// no package and for one with two of the four.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"

namespace cvinst::e2e {
namespace {

constexpr char kTitle[] = "Corvane Installer 1.0";

struct Box {
    std::string text;
    bool enabled;
    int check;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os) {
    *os << "{\"" << b.text << "\", enabled " << b.enabled << ", check " << b.check << "}";
}

Box StateOf(HWND button) { return {Text(button), Enabled(button), CheckState(button)}; }

class MainWindow : public ::testing::Test {
protected:
    // Starts a copy of CVInst.exe that has `packages` beside it, in the working folder `cwd`.
    void Start(std::initializer_list<std::string_view> packages, const std::string& cwd) {
        const std::string exe = folder.PlaceInstaller(packages);
        installer = std::make_unique<Installer>(exe, "", cwd);
        ASSERT_TRUE(installer->Started()) << exe;
        window = installer->WaitWindow(kTitle);
        ASSERT_NE(window, nullptr) << "no visible window \"" << kTitle << "\"";
        for (int i = 0; i < 2; ++i) option[i] = ChildByClass(window, "Button", i);
        for (int i = 0; i < 4; ++i) program[i] = ChildByClass(window, "Button", 2 + i);
        allSelected = ChildByClass(window, "Button", 6);
        action = ChildByClass(window, "Button", 7);
        exitButton = ChildByClass(window, "Button", 8);
        status = ChildByClass(window, "Static", 2);
        ASSERT_EQ(ChildByClass(window, "Button", 9), nullptr) << "a button too many";
        for (HWND c : {option[0], option[1], program[0], program[1], program[2], program[3],
                       allSelected, action, exitButton, status})
            ASSERT_NE(c, nullptr);
    }

    std::vector<Box> Programs() const {
        std::vector<Box> boxes;
        for (HWND box : program) boxes.push_back(StateOf(box));
        return boxes;
    }

    void ExitAndExpectStatusZero() {
        Press(exitButton);
        EXPECT_TRUE(WaitGone(window));
        std::optional<DWORD> code = installer->WaitExit();
        ASSERT_TRUE(code.has_value()) << "CVInst.exe did not end after Exit";
        EXPECT_EQ(*code, 0u);
    }

    TempFolder folder;  // before the process: it outlives it
    std::unique_ptr<Installer> installer;
    HWND window = nullptr;
    HWND option[2] = {};
    HWND program[4] = {};
    HWND allSelected = nullptr, action = nullptr, exitButton = nullptr, status = nullptr;
};

// Where a control of the layout (in twips) lands at 96 dpi, to within a pixel.
void ExpectPlaced(HWND control, int left, int top, int width, int height) {
    SCOPED_TRACE(Text(control));
    const RECT r = ClientRect(control);
    EXPECT_NEAR(r.left, left / 15.0, 1.0);
    EXPECT_NEAR(r.top, top / 15.0, 1.0);
    EXPECT_NEAR(r.right - r.left, width / 15.0, 1.0);
    EXPECT_NEAR(r.bottom - r.top, height / 15.0, 1.0);
}

TEST_F(MainWindow, WithoutPackagesOffersNothingAndAsksForASelection) {
    // Packages in the working folder do not count: only the installer's own folder does.
    TempFolder cwd;
    cwd.Write("CVMenu.msi", "x");
    cwd.Write("CVExampl.msi", "x");
    Start({}, cwd.Path());

    EXPECT_EQ(StateOf(option[0]),
              (Box{"Install Programs To \"Program Files\" Folder", false, BST_CHECKED}));
    EXPECT_EQ(StateOf(option[1]),
              (Box{"Uninstall Programs From \"Program Files\" Folder", false, BST_UNCHECKED}));
    EXPECT_EQ(Programs(),
              (std::vector<Box>{{"Install Corvane Menu", false, BST_UNCHECKED},
                                {"Install Corvane Workstation", false, BST_UNCHECKED},
                                {"Install Corvane Personal Server", false, BST_UNCHECKED},
                                {"Install Corvane Examples", false, BST_UNCHECKED}}));
    EXPECT_EQ(StateOf(allSelected), (Box{"All Selected", true, BST_CHECKED}));
    EXPECT_EQ(Text(status), "Status: No Corvane Packages Found Beside The Installer");
    EXPECT_EQ(StateOf(action), (Box{"Install Corvane", true, BST_UNCHECKED}));
    EXPECT_EQ(StateOf(exitButton), (Box{"Exit", true, BST_UNCHECKED}));

    PostPress(action);
    HWND box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no message box after the action button";
    EXPECT_EQ(MessageBoxText(box), "Please select action to perform.");
    EXPECT_EQ(Text(box), kTitle);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(WaitGone(box));
    EXPECT_TRUE(Visible(window));
    EXPECT_EQ(Text(status), "Status: No Corvane Packages Found Beside The Installer");

    ExitAndExpectStatusZero();
}

TEST_F(MainWindow, TwoPackagesEnableAndTickExactlyTheirBoxes) {
    Start({"CVMenu.msi", "CVExampl.msi"}, folder.Path());

    EXPECT_EQ(Text(ChildByClass(window, "Static", 0)), "Action Profile:");
    EXPECT_EQ(Text(ChildByClass(window, "Static", 1)), "Action(s) to perform:");
    EXPECT_EQ(StateOf(option[0]),
              (Box{"Install Programs To \"Program Files\" Folder", true, BST_CHECKED}));
    EXPECT_EQ(StateOf(option[1]),
              (Box{"Uninstall Programs From \"Program Files\" Folder", true, BST_UNCHECKED}));
    EXPECT_EQ(Programs(),
              (std::vector<Box>{{"Install Corvane Menu", true, BST_CHECKED},
                                {"Install Corvane Workstation", false, BST_UNCHECKED},
                                {"Install Corvane Personal Server", false, BST_UNCHECKED},
                                {"Install Corvane Examples", true, BST_CHECKED}}));
    EXPECT_EQ(StateOf(allSelected), (Box{"All Selected", true, BST_CHECKED}));
    EXPECT_EQ(Text(status), "Status: Ready To Install Corvane");
    EXPECT_EQ(StateOf(action), (Box{"Install Corvane", true, BST_UNCHECKED}));
    EXPECT_EQ(StateOf(exitButton), (Box{"Exit", true, BST_UNCHECKED}));

    {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        ASSERT_EQ(dpi, 96) << "the pixel positions below hold at 96 dpi";
    }
    const SIZE client = ClientSize(window);
    EXPECT_NEAR(client.cx, 7305 / 15.0, 1.0);
    EXPECT_NEAR(client.cy, 4995 / 15.0, 1.0);
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
