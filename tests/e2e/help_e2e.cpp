// A "?" on CVInst.exe's command line: the help window with the usage text, laid out around it, and
// nothing else happens.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "driver.h"
#include "expected_texts.h"

namespace cvinst::e2e {
namespace {

constexpr char kHelpTitle[] = "Corvane Installer Help";

constexpr const char* kUsage = testkit::kUsageText;

class Help : public CleanMachineTest {
protected:
    // Starts the installer with `arguments`, every package beside it, and finds its help window.
    void Open(std::string_view arguments) {
        installer =
            &Start(PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples}), arguments);
        help = installer->WaitWindow(kHelpTitle);
        ASSERT_NE(help, nullptr) << "no visible window \"" << kHelpTitle << "\"";
        label = ChildByClass(help, "Static", 0);
        ok = ChildByClass(help, "Button", 0);
        ASSERT_NE(label, nullptr);
        ASSERT_NE(ok, nullptr);
    }

    // After the help was closed: the program ends with 0 having shown nothing more, run nothing.
    void ExpectEndWithNothingDone() {
        EXPECT_TRUE(WaitGone(help));
        const Watched rest = installer->Watch();
        EXPECT_EQ(rest.exitCode, std::optional<DWORD>(0));
        EXPECT_EQ(rest.visibleWindows, Captions{});
        EXPECT_EQ(DemoTraces(), Captions{});
    }

    Installer* installer = nullptr;
    HWND help = nullptr, label = nullptr, ok = nullptr;
};

// A "?" anywhere, whatever else the command line says, even inside the /MSI= quotes or with a
// command line that would be refused, shows the help and nothing else; OK, the default button,
// or the Enter key ends the program.
struct HelpRun {
    const char* name;
    std::string arguments;
    bool closeWithEnter;
};

void PrintTo(const HelpRun& run, std::ostream* os) {
    *os << run.arguments << (run.closeWithEnter ? ", Enter" : ", OK");
}

class HelpAnywhere : public Help, public ::testing::WithParamInterface<HelpRun> {};

TEST_P(HelpAnywhere, ShowsOnlyTheUsageTextAndRunsNothing) {
    ASSERT_NO_FATAL_FAILURE(Open(GetParam().arguments));
    // The main window is loaded, for its captions, but hidden.
    EXPECT_NE(installer->Window(kMainTitle, false), nullptr) << "the main window is not loaded";
    EXPECT_EQ(installer->VisibleWindows(), Captions{kHelpTitle});
    EXPECT_EQ(Text(label), kUsage);
    EXPECT_EQ(Text(ok), "OK");
    EXPECT_EQ(ChildByClass(help, "Static", 1), nullptr) << "a second label";
    EXPECT_EQ(ChildByClass(help, "Button", 1), nullptr) << "a second button";
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);

    if (GetParam().closeWithEnter) {
        // The key goes where the keyboard's focus is, as a key press would.
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(help, nullptr), &thread);
        HWND target = thread.hwndFocus ? thread.hwndFocus : help;
        PostMessageW(target, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(target, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001));
    } else {
        PostPress(ok);
    }
    ExpectEndWithNothingDone();
}

INSTANTIATE_TEST_SUITE_P(Help, HelpAnywhere,
                         ::testing::Values(HelpRun{"AloneClosedWithOK", "?", false},
                                           HelpRun{"AloneClosedWithEnter", "?", true},
                                           HelpRun{"AfterACommand", "/I /P:MS ?", false},
                                           HelpRun{"InsideTheInstallerParameters",
                                                   "/i /p:m /msi=\"/qn ?\"", false},
                                           HelpRun{"InARefusedCommandLine", "/P:Q?", false},
                                           HelpRun{"BeforeTheOptions", "?/U /SHOW", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Help, IsSizedToItsTextWithOKCentredUnderItAndTheWindowCentredOnTheScreen) {
    ASSERT_NO_FATAL_FAILURE(Open("?"));
    const int dpi = testkit::ScreenDpi();
    const auto px = [dpi](int twips) { return twips * dpi / 1440.0; };
    const RECT text = testkit::RectInParent(label);
    const RECT button = testkit::RectInParent(ok);
    RECT outer{};
    GetWindowRect(help, &outer);
    const LONG outerWidth = outer.right - outer.left;
    const LONG textWidth = text.right - text.left;
    const LONG textHeight = text.bottom - text.top;
    const LONG buttonWidth = button.right - button.left;

    EXPECT_NEAR(text.left, px(120), 1.0);
    EXPECT_NEAR(text.top, px(120), 1.0);
    EXPECT_NEAR(buttonWidth, px(1545), 1.0);
    EXPECT_NEAR(button.bottom - button.top, px(375), 1.0);
    // The window's outer size, frame and title bar included, follows the label.
    EXPECT_NEAR(outerWidth, 2 * text.left + textWidth + px(100), 1.0);
    EXPECT_NEAR(outer.bottom - outer.top, textHeight + px(1200), 1.0);
    // OK lies 200 twips under the text, centred on the outer width rather than the client width.
    EXPECT_NEAR(button.top, text.bottom + px(200), 1.0);
    EXPECT_NEAR(button.left, (outerWidth - buttonWidth) / 2.0, 1.0);

    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((outer.left + outer.right) / 2.0, (area.left + area.right) / 2.0, 1.0);
    EXPECT_NEAR((outer.top + outer.bottom) / 2.0, (area.top + area.bottom) / 2.0, 1.0);

    // A fixed frame without minimise and maximise buttons, and no taskbar entry of its own.
    const LONG style = GetWindowLongW(help, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(help, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0);
    EXPECT_TRUE(GetWindow(help, GW_OWNER) != nullptr || (exStyle & WS_EX_TOOLWINDOW) != 0)
        << "an unowned window gets a taskbar entry";

    PostPress(ok);
    ExpectEndWithNothingDone();
}

}  // namespace
}  // namespace cvinst::e2e
