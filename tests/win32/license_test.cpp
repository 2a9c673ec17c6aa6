// The licence dialog shown modally for real: every check runs while the dialog is on the screen
// and its modal loop is running.
#include "ui/win32/license.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ui/win32/form1.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

using testkit::ControlState;
using testkit::Press;
using testkit::PressKey;

LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }
LONG ExStyle(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

// res/agreement.txt: plain ASCII, every line ended by CR LF.
constexpr size_t kAgreementBytes = 5912;
constexpr size_t kAgreementLines = 131;
const std::string kAgreementFirstLine = "CORVANE PROGRAM GROUP - END USER LICENSE AGREEMENT\r\n";
const std::string kAgreementLastLine =
    "Copyright (c) Corvane Program Group. All rights reserved worldwide.\r\n";

class LicenseDialog : public ::testing::Test {
protected:
    void SetUp() override {
        // A quit message left by an earlier test would end the dialog's modal loop at once.
        testkit::DispatchPendingMessages();
        modal_.Watch(owner_);
        owner_.Load();
        ASSERT_TRUE((owner_.hwnd() != nullptr));
    }

    // Runs `act` on every licence dialog once it is on the screen; `act` closes it.
    void OnShown(std::function<void(License&)> act) {
        modal_.act = [act](win::Form& form) {
            auto* dialog = dynamic_cast<License*>(&form);
            ASSERT_NE(dialog, nullptr) << "a modal form other than the licence dialog";
            act(*dialog);
        };
    }

    // Answers the dialog shown by the main window, as an install run does.
    bool ConfirmThroughMainWindow() { return owner_.ConfirmInstall(); }

    // Looks at the dialog the main window shows, then cancels it.
    void Inspect(std::function<void(License&)> look) {
        OnShown([look](License& d) {
            look(d);
            if (d.hwnd() != nullptr) Press(d.CancelButton);
        });
        EXPECT_FALSE(ConfirmThroughMainWindow());
    }

    testkit::ModalForms modal_;
    testkit::PumpingRunSystem system_;
    testkit::RecordingLog log_;
    Form1 owner_{system_, log_};
};

// The answers and the buttons as the user sees them, which must be what the dialog holds.
std::vector<ControlState> Answers(License& d) {
    EXPECT_EQ(testkit::CheckState(d.Option1.hwnd()) == BST_CHECKED, d.Option1.Value());
    EXPECT_EQ(testkit::CheckState(d.Option2.hwnd()) == BST_CHECKED, d.Option2.Value());
    EXPECT_EQ(testkit::Enabled(d.OKButton.hwnd()), d.OKButton.Enabled());
    return testkit::StatesOf(
        {d.Option1.hwnd(), d.Option2.hwnd(), d.CancelButton.hwnd(), d.OKButton.hwnd()});
}

const std::vector<ControlState> kDeclining = {{"No, I do not agree", true, BST_CHECKED},
                                              {"Yes, I agree", true, BST_UNCHECKED},
                                              {"Cancel", true, BST_UNCHECKED},
                                              {"Continue", false, BST_UNCHECKED}};
const std::vector<ControlState> kAgreeing = {{"No, I do not agree", true, BST_UNCHECKED},
                                             {"Yes, I agree", true, BST_CHECKED},
                                             {"Cancel", true, BST_UNCHECKED},
                                             {"Continue", true, BST_UNCHECKED}};

TEST_F(LicenseDialog, ContinueAfterYesAccepts) {
    OnShown([](License& d) {
        EXPECT_EQ(Answers(d), kDeclining);
        EXPECT_FALSE(d.AgreementAccepted);
        Press(d.Option2);
        EXPECT_EQ(Answers(d), kAgreeing);
        EXPECT_FALSE(d.AgreementAccepted);
        Press(d.OKButton);
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_TRUE(ConfirmThroughMainWindow());
    EXPECT_EQ(modal_.shown, 1);
}

TEST_F(LicenseDialog, EveryShowingStartsDecliningAlsoAfterAnAcceptance) {
    OnShown([](License& d) {
        Press(d.Option2);
        Press(d.OKButton);
    });
    ASSERT_TRUE(ConfirmThroughMainWindow());
    OnShown([](License& d) {
        EXPECT_EQ(Answers(d), kDeclining);
        EXPECT_FALSE(d.AgreementAccepted);
        EXPECT_EQ(testkit::Text(d.Text1.hwnd()).substr(0, kAgreementFirstLine.size()),
                  kAgreementFirstLine);
        Press(d.CancelButton);
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_EQ(modal_.shown, 3);
}

TEST_F(LicenseDialog, LoadingClearsAnEarlierAcceptance) {
    License dialog(owner_.Font);
    dialog.AgreementAccepted = true;
    OnShown([](License& d) {
        EXPECT_FALSE(d.AgreementAccepted);
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
    });
    dialog.ShowModal(&owner_);
    EXPECT_EQ(modal_.shown, 1);
    EXPECT_FALSE(dialog.AgreementAccepted);
}

TEST_F(LicenseDialog, NoAgainDisablesContinue) {
    Inspect([](License& d) {
        Press(d.Option2);
        ASSERT_EQ(Answers(d), kAgreeing);
        Press(d.Option1);
        EXPECT_EQ(Answers(d), kDeclining);
        // Selecting the selected answer again changes nothing.
        Press(d.Option1);
        EXPECT_EQ(Answers(d), kDeclining);
        // A disabled "Continue" cannot accept.
        Press(d.OKButton);
        EXPECT_TRUE((d.hwnd() != nullptr));
        EXPECT_FALSE(d.AgreementAccepted);
    });
}

TEST_F(LicenseDialog, CancelWithYesSelectedDeclines) {
    OnShown([](License& d) {
        Press(d.Option2);
        ASSERT_EQ(Answers(d), kAgreeing);
        Press(d.CancelButton);
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
}

TEST_F(LicenseDialog, CloseBoxDeclines) {
    for (const auto& [msg, wp] :
         {std::pair<UINT, WPARAM>{WM_CLOSE, 0}, {WM_SYSCOMMAND, SC_CLOSE}}) {
        OnShown([msg = msg, wp = wp](License& d) {
            Press(d.Option2);
            SendMessageW(d.hwnd(), msg, wp, 0);
            EXPECT_FALSE((d.hwnd() != nullptr));
        });
        EXPECT_FALSE(ConfirmThroughMainWindow()) << msg;
    }
    EXPECT_EQ(modal_.shown, 2);
}

TEST_F(LicenseDialog, MainWindowTakesNoInputWhileOpen) {
    Inspect([this](License& d) {
        EXPECT_FALSE(testkit::Enabled(owner_.hwnd()));
        EXPECT_EQ(GetWindow(d.hwnd(), GW_OWNER), owner_.hwnd());
    });
    EXPECT_TRUE(testkit::Enabled(owner_.hwnd()));
}

TEST_F(LicenseDialog, EnterAndEscapeNeitherAcceptNorClose) {
    Inspect([](License& d) {
        Press(d.Option2);
        ASSERT_EQ(Answers(d), kAgreeing);
        for (HWND focus : {d.Option2.hwnd(), d.CancelButton.hwnd()}) {
            SetFocus(focus);
            PressKey(focus, VK_RETURN);
            PressKey(focus, VK_ESCAPE);
            ASSERT_TRUE((d.hwnd() != nullptr));
            EXPECT_FALSE(d.AgreementAccepted);
        }
        SetFocus(d.Text1.hwnd());
        PressKey(d.Text1.hwnd(), VK_RETURN);
        ASSERT_TRUE((d.hwnd() != nullptr));
        EXPECT_FALSE(d.AgreementAccepted);
        // The multi-line text box hands Escape to the window as a close request, which
        // declines like the close box.
        PressKey(d.Text1.hwnd(), VK_ESCAPE);
        EXPECT_FALSE(d.AgreementAccepted);
    });
}

TEST_F(LicenseDialog, WindowFrameCaptionAndSize) {
    Inspect([this](License& d) {
        HWND h = d.hwnd();
        EXPECT_EQ(testkit::Text(h), "Corvane License Agreement");
        EXPECT_TRUE(testkit::Visible(h));
        LONG style = Style(h);
        EXPECT_FALSE(style & WS_MINIMIZEBOX);
        EXPECT_FALSE(style & WS_MAXIMIZEBOX);
        EXPECT_FALSE(style & WS_THICKFRAME);
        EXPECT_TRUE(style & WS_SYSMENU);
        EXPECT_TRUE(ExStyle(h) & WS_EX_DLGMODALFRAME);
        EXPECT_FALSE(ExStyle(h) & WS_EX_APPWINDOW);
        EXPECT_EQ(GetWindow(h, GW_OWNER), owner_.hwnd());
        HMENU menu = GetSystemMenu(h, FALSE);
        EXPECT_EQ(GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
        RECT client;
        GetClientRect(h, &client);
        const int dpi = testkit::ScreenDpi();
        EXPECT_EQ(client.right, testkit::Pixels(7575, dpi));
        EXPECT_EQ(client.bottom, testkit::Pixels(4110, dpi));
    });
}

TEST_F(LicenseDialog, OpensCentredOverItsOwner) {
    owner_.Show();
    RECT ownerRect;
    GetWindowRect(owner_.hwnd(), &ownerRect);
    Inspect([&](License& d) {
        RECT r;
        GetWindowRect(d.hwnd(), &r);
        EXPECT_NEAR((r.left + r.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);
    });
}

TEST_F(LicenseDialog, FocusStartsInTheTextAndNoButtonIsDefault) {
    Inspect([](License& d) {
        EXPECT_EQ(GetFocus(), d.Text1.hwnd());
        EXPECT_NE(HIWORD(SendMessageW(d.hwnd(), DM_GETDEFID, 0, 0)), DC_HASDEFID);
        for (HWND b : {d.CancelButton.hwnd(), d.OKButton.hwnd()})
            EXPECT_EQ(Style(b) & BS_TYPEMASK, static_cast<LONG>(BS_PUSHBUTTON));
    });
}

TEST_F(LicenseDialog, ControlsFollowTheTabOrder) {
    Inspect([](License& d) {
        const std::vector<HWND> expected{d.Text1.hwnd(), d.Option1.hwnd(), d.Option2.hwnd(),
                                         d.CancelButton.hwnd(), d.OKButton.hwnd()};
        EXPECT_EQ(testkit::Children(d.hwnd()), expected);
        EXPECT_TRUE(Style(d.Option1.hwnd()) & WS_GROUP);
        EXPECT_FALSE(Style(d.Option2.hwnd()) & WS_GROUP);
        EXPECT_TRUE(Style(d.CancelButton.hwnd()) & WS_TABSTOP);
        EXPECT_TRUE(Style(d.OKButton.hwnd()) & WS_TABSTOP);
    });
}

// Tab stops at the selected answer of the option group only, and not at a disabled button.
TEST_F(LicenseDialog, TabKeyWalksTheControlsInOrder) {
    Inspect([](License& d) {
        EXPECT_EQ(testkit::TabWalk(d.Text1.hwnd(), 3),
                  (std::vector<HWND>{d.Option1.hwnd(), d.CancelButton.hwnd(), d.Text1.hwnd()}));
        Press(d.Option2);
        EXPECT_EQ(testkit::TabWalk(d.Text1.hwnd(), 4),
                  (std::vector<HWND>{d.Option2.hwnd(), d.CancelButton.hwnd(), d.OKButton.hwnd(),
                                     d.Text1.hwnd()}));
        // Shift+Tab from the text box goes backwards.
        EXPECT_EQ(testkit::TabWalk(d.Text1.hwnd(), 1, true), std::vector<HWND>{d.OKButton.hwnd()});
    });
}

// Editing is refused by the box's own read-only style, which is what is checked here.
TEST_F(LicenseDialog, TextBoxIsReadOnlyWithBothScrollBars) {
    Inspect([](License& d) {
        const LONG style = Style(d.Text1.hwnd());
        EXPECT_TRUE(style & ES_MULTILINE);
        EXPECT_TRUE(style & ES_READONLY);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_TRUE(style & WS_HSCROLL);
        // Lines are not wrapped at the box's edge.
        EXPECT_TRUE(style & ES_AUTOHSCROLL);
    });
}

TEST_F(LicenseDialog, ShowsTheWholeAgreementAndScrollsToItsEnd) {
    Inspect([&](License& d) {
        HWND text = d.Text1.hwnd();
        const std::string shown = testkit::Text(text);
        EXPECT_EQ(shown.size(), kAgreementBytes);
        EXPECT_EQ(shown.substr(0, kAgreementFirstLine.size()), kAgreementFirstLine);
        ASSERT_GE(shown.size(), kAgreementLastLine.size());
        EXPECT_EQ(shown.substr(shown.size() - kAgreementLastLine.size()), kAgreementLastLine);
        // The box counts the empty line after the last line break as a line of its own.
        const auto lines = static_cast<size_t>(SendMessageW(text, EM_GETLINECOUNT, 0, 0));
        EXPECT_EQ(lines, kAgreementLines + 1);
        EXPECT_EQ(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

        // Scrolling to the end shows the last line.
        SendMessageW(text, WM_VSCROLL, SB_BOTTOM, 0);
        RECT area;
        SendMessageW(text, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
        TEXTMETRICW tm{};
        GetTextMetricsW(testkit::ControlFontDc(text).get(), &tm);
        ASSERT_GT(tm.tmHeight, 0);
        const size_t visible = static_cast<size_t>((area.bottom - area.top) / tm.tmHeight);
        ASSERT_GT(visible, 0u);
        const auto first = static_cast<size_t>(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0));
        EXPECT_GT(lines, visible) << "the agreement fits the box: nothing to scroll";
        EXPECT_GT(first, 0u) << "the box did not scroll";
        EXPECT_GE(first + visible, lines);
    });
}

TEST(LicenseAgreement, IsTheWholeAgreementWithCrLfLineBreaks) {
    const std::string text = AgreementText();
    EXPECT_EQ(text.size(), kAgreementBytes);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    size_t breaks = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
            ++breaks;
        }
        if (text[i] == '\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_EQ(breaks, kAgreementLines);
}

TEST(LicenseAgreement, OpensWithItsTitleLineAndEndsWithTheCopyright) {
    const std::string text = AgreementText();
    EXPECT_EQ(text.substr(0, kAgreementFirstLine.size()), kAgreementFirstLine);
    ASSERT_GE(text.size(), kAgreementLastLine.size());
    EXPECT_EQ(text.substr(text.size() - kAgreementLastLine.size()), kAgreementLastLine);
}

}  // namespace
}  // namespace cvinst
