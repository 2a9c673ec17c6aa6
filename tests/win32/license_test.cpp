// The licence dialog shown modally for real: every check runs inside Form::ModalShownHook, while
// the dialog is on the screen and its modal loop is running.
#include "ui/win32/license.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "forms/message_loop.h"
#include "forms/text.h"
#include "ui/win32/form1.h"
#include "win32_run_system.h"

namespace cvinst {
namespace {

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }
bool Checked(HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }
LONG ExStyle(HWND hwnd) { return GetWindowLongW(hwnd, GWL_EXSTYLE); }

std::wstring WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), n + 1)));
    return text;
}

// Lets the dialog handle what was posted to it, through the same keyboard handling as its
// modal loop. A WM_QUIT is put back for the loop to see.
void PumpPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!win::PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void PressKey(HWND target, WPARAM vk) {
    PostMessageW(target, WM_KEYDOWN, vk, 1);
    PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
    PumpPending();
}

// The agreement resource as stored in the program.
std::string ResourceBytes() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(101), L"CUSTOM");
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    return data ? std::string(data, SizeofResource(module, found)) : std::string();
}

std::wstring FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

class LicenseDialog : public ::testing::Test {
protected:
    void SetUp() override {
        // A quit message left by an earlier test would end the dialog's modal loop at once.
        testkit::DispatchPendingMessages();
        owner_.Load();
        ASSERT_TRUE((owner_.hwnd() != nullptr));
    }
    void TearDown() override { win::ModalShownHook() = nullptr; }

    // Runs `act` on every licence dialog once it is on the screen. A dialog that `act` leaves
    // open is a failure and is closed here, so that the test goes on.
    void OnShown(std::function<void(License&)> act) {
        win::ModalShownHook() = [this, act](win::Form& form) {
            auto* dialog = dynamic_cast<License*>(&form);
            if (!dialog) {
                ADD_FAILURE() << "a modal form other than the licence dialog";
                form.Unload();
                return;
            }
            ++shown_;
            act(*dialog);
            if ((dialog->hwnd() != nullptr)) {
                ADD_FAILURE() << "the dialog is still open";
                dialog->Unload();
            }
        };
    }

    // Answers the dialog shown by the main window, as an install run does.
    bool ConfirmThroughMainWindow() { return owner_.ConfirmInstall(); }

    testkit::PumpingRunSystem system_;
    NoLog log_;
    Form1 owner_{system_, log_};
    int shown_ = 0;
};

struct DialogState {
    bool noSelected, yesSelected, continueEnabled, accepted;
};

DialogState StateOf(License& d) {
    EXPECT_EQ(Checked(d.Option1.hwnd()), d.Option1.Value());
    EXPECT_EQ(Checked(d.Option2.hwnd()), d.Option2.Value());
    EXPECT_EQ(IsWindowEnabled(d.OKButton.hwnd()) != FALSE, d.OKButton.Enabled());
    return {Checked(d.Option1.hwnd()), Checked(d.Option2.hwnd()),
            IsWindowEnabled(d.OKButton.hwnd()) != FALSE, AgreementAccepted};
}

void ExpectDeclining(License& d) {
    DialogState s = StateOf(d);
    EXPECT_TRUE(s.noSelected);
    EXPECT_FALSE(s.yesSelected);
    EXPECT_FALSE(s.continueEnabled);
    EXPECT_FALSE(s.accepted);
    EXPECT_TRUE(IsWindowEnabled(d.CancelButton.hwnd()));
}

TEST_F(LicenseDialog, ContinueAfterYesAccepts) {
    OnShown([](License& d) {
        ExpectDeclining(d);
        Click(d.Option2.hwnd());
        DialogState s = StateOf(d);
        EXPECT_FALSE(s.noSelected);
        EXPECT_TRUE(s.yesSelected);
        EXPECT_TRUE(s.continueEnabled);
        EXPECT_FALSE(s.accepted);
        Click(d.OKButton.hwnd());
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_TRUE(ConfirmThroughMainWindow());
    EXPECT_EQ(shown_, 1);
    EXPECT_TRUE(AgreementAccepted);
}

TEST_F(LicenseDialog, EveryShowingStartsDecliningAlsoAfterAnAcceptance) {
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        Click(d.OKButton.hwnd());
    });
    ASSERT_TRUE(ConfirmThroughMainWindow());
    OnShown([](License& d) {
        ExpectDeclining(d);
        EXPECT_EQ(d.Text1.Caption(), AgreementText());
        Click(d.CancelButton.hwnd());
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_EQ(shown_, 3);
}

TEST_F(LicenseDialog, LoadingClearsAnEarlierAcceptance) {
    AgreementAccepted = true;
    License dialog;
    OnShown([](License& d) {
        EXPECT_FALSE(AgreementAccepted);
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
    });
    dialog.ShowModal(&owner_);
    EXPECT_EQ(shown_, 1);
    EXPECT_FALSE(AgreementAccepted);
}

TEST_F(LicenseDialog, NoAgainDisablesContinue) {
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        ASSERT_TRUE(IsWindowEnabled(d.OKButton.hwnd()));
        Click(d.Option1.hwnd());
        ExpectDeclining(d);
        // Selecting the selected answer again changes nothing.
        Click(d.Option1.hwnd());
        ExpectDeclining(d);
        // A disabled "Continue" cannot accept.
        Click(d.OKButton.hwnd());
        EXPECT_TRUE((d.hwnd() != nullptr));
        EXPECT_FALSE(AgreementAccepted);
        Click(d.CancelButton.hwnd());
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
}

TEST_F(LicenseDialog, CancelWithYesSelectedDeclines) {
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        ASSERT_TRUE(IsWindowEnabled(d.OKButton.hwnd()));
        Click(d.CancelButton.hwnd());
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_FALSE(AgreementAccepted);
}

TEST_F(LicenseDialog, CloseBoxDeclines) {
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        SendMessageW(d.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_FALSE((d.hwnd() != nullptr));
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
    EXPECT_EQ(shown_, 2);
}

TEST_F(LicenseDialog, MainWindowTakesNoInputWhileOpen) {
    OnShown([this](License& d) {
        EXPECT_FALSE(IsWindowEnabled(owner_.hwnd()));
        EXPECT_EQ(GetWindow(d.hwnd(), GW_OWNER), owner_.hwnd());
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
    });
    ConfirmThroughMainWindow();
    EXPECT_TRUE(IsWindowEnabled(owner_.hwnd()));
}

TEST_F(LicenseDialog, EnterAndEscapeNeitherAcceptNorClose) {
    OnShown([](License& d) {
        Click(d.Option2.hwnd());
        ASSERT_TRUE(IsWindowEnabled(d.OKButton.hwnd()));
        for (HWND focus : {d.Option2.hwnd(), d.CancelButton.hwnd()}) {
            SetFocus(focus);
            PressKey(focus, VK_RETURN);
            PressKey(focus, VK_ESCAPE);
            ASSERT_TRUE((d.hwnd() != nullptr));
            EXPECT_FALSE(AgreementAccepted);
        }
        SetFocus(d.Text1.hwnd());
        PressKey(d.Text1.hwnd(), VK_RETURN);
        ASSERT_TRUE((d.hwnd() != nullptr));
        EXPECT_FALSE(AgreementAccepted);
        // The multi-line text box hands Escape to the window as a close request, which
        // declines like the close box.
        PressKey(d.Text1.hwnd(), VK_ESCAPE);
        EXPECT_FALSE(AgreementAccepted);
        if ((d.hwnd() != nullptr)) Click(d.CancelButton.hwnd());
    });
    EXPECT_FALSE(ConfirmThroughMainWindow());
}

TEST_F(LicenseDialog, WindowFrameCaptionAndSize) {
    OnShown([this](License& d) {
        HWND h = d.hwnd();
        EXPECT_EQ(WindowText(h), L"Corvane License Agreement");
        EXPECT_TRUE(IsWindowVisible(h));
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
        EXPECT_EQ(client.right, d.ToPixels(7575));
        EXPECT_EQ(client.bottom, d.ToPixels(4110));
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
    });
    ConfirmThroughMainWindow();
}

TEST_F(LicenseDialog, OpensCentredOverItsOwner) {
    owner_.Show();
    RECT ownerRect;
    GetWindowRect(owner_.hwnd(), &ownerRect);
    OnShown([&](License& d) {
        RECT r;
        GetWindowRect(d.hwnd(), &r);
        EXPECT_NEAR((r.left + r.right) / 2, (ownerRect.left + ownerRect.right) / 2, 1);
        EXPECT_NEAR((r.top + r.bottom) / 2, (ownerRect.top + ownerRect.bottom) / 2, 1);
        SendMessageW(d.hwnd(), WM_CLOSE, 0, 0);
    });
    ConfirmThroughMainWindow();
}

TEST_F(LicenseDialog, FocusStartsInTheTextAndNoButtonIsDefault) {
    OnShown([](License& d) {
        EXPECT_EQ(GetFocus(), d.Text1.hwnd());
        EXPECT_NE(HIWORD(SendMessageW(d.hwnd(), DM_GETDEFID, 0, 0)), DC_HASDEFID);
        for (HWND b : {d.CancelButton.hwnd(), d.OKButton.hwnd()})
            EXPECT_EQ(Style(b) & BS_TYPEMASK, static_cast<LONG>(BS_PUSHBUTTON));
        Click(d.CancelButton.hwnd());
    });
    ConfirmThroughMainWindow();
}

TEST_F(LicenseDialog, ControlsFollowTheTabOrder) {
    OnShown([](License& d) {
        std::vector<HWND> chain;
        for (HWND h = GetWindow(d.hwnd(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            chain.push_back(h);
        const std::vector<HWND> expected{d.Text1.hwnd(), d.Option1.hwnd(), d.Option2.hwnd(),
                                         d.CancelButton.hwnd(), d.OKButton.hwnd()};
        EXPECT_EQ(chain, expected);
        EXPECT_TRUE(Style(d.Option1.hwnd()) & WS_GROUP);
        EXPECT_FALSE(Style(d.Option2.hwnd()) & WS_GROUP);
        EXPECT_TRUE(Style(d.CancelButton.hwnd()) & WS_TABSTOP);
        EXPECT_TRUE(Style(d.OKButton.hwnd()) & WS_TABSTOP);
        Click(d.CancelButton.hwnd());
    });
    ConfirmThroughMainWindow();
}

// Tab stops at the selected answer of the option group only, and not at a disabled button.
std::vector<HWND> TabWalk(License& d, int presses) {
    SetFocus(d.Text1.hwnd());
    std::vector<HWND> visited;
    for (int i = 0; i < presses; ++i) {
        PressKey(GetFocus(), VK_TAB);
        visited.push_back(GetFocus());
    }
    return visited;
}

TEST_F(LicenseDialog, TabKeyWalksTheControlsInOrder) {
    OnShown([](License& d) {
        EXPECT_EQ(TabWalk(d, 3),
                  (std::vector<HWND>{d.Option1.hwnd(), d.CancelButton.hwnd(), d.Text1.hwnd()}));
        Click(d.Option2.hwnd());
        EXPECT_EQ(TabWalk(d, 4), (std::vector<HWND>{d.Option2.hwnd(), d.CancelButton.hwnd(),
                                                    d.OKButton.hwnd(), d.Text1.hwnd()}));
        // Shift+Tab from the text box goes backwards.
        SetFocus(d.Text1.hwnd());
        BYTE keys[256];
        GetKeyboardState(keys);
        BYTE shift = keys[VK_SHIFT];
        keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        PressKey(d.Text1.hwnd(), VK_TAB);
        keys[VK_SHIFT] = shift;
        SetKeyboardState(keys);
        EXPECT_EQ(GetFocus(), d.OKButton.hwnd());
        Click(d.CancelButton.hwnd());
    });
    ConfirmThroughMainWindow();
}

TEST_F(LicenseDialog, TextBoxIsReadOnlyWithBothScrollBars) {
    OnShown([](License& d) {
        HWND text = d.Text1.hwnd();
        LONG style = Style(text);
        EXPECT_TRUE(style & ES_MULTILINE);
        EXPECT_TRUE(style & ES_READONLY);
        EXPECT_TRUE(style & WS_VSCROLL);
        EXPECT_TRUE(style & WS_HSCROLL);
        // Lines are not wrapped at the box's edge.
        EXPECT_TRUE(style & ES_AUTOHSCROLL);

        const std::wstring before = WindowText(text);
        SetFocus(text);
        SendMessageW(text, EM_SETSEL, 0, -1);
        for (wchar_t c : std::wstring(L"x\b\r")) SendMessageW(text, WM_CHAR, c, 1);
        PressKey(text, VK_DELETE);
        SendMessageW(text, WM_CUT, 0, 0);
        SendMessageW(text, WM_CLEAR, 0, 0);
        SendMessageW(text, EM_SETSEL, 0, 0);
        if (OpenClipboard(d.hwnd())) {
            EmptyClipboard();
            HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 2 * sizeof(wchar_t));
            if (auto* p = static_cast<wchar_t*>(GlobalLock(mem))) {
                p[0] = L'Q', p[1] = 0;
                GlobalUnlock(mem);
                SetClipboardData(CF_UNICODETEXT, mem);
            }
            CloseClipboard();
        }
        SendMessageW(text, WM_PASTE, 0, 0);
        EXPECT_EQ(WindowText(text), before);
        EXPECT_FALSE(SendMessageW(text, EM_GETMODIFY, 0, 0));
        Click(d.CancelButton.hwnd());
    });
    ConfirmThroughMainWindow();
}

TEST_F(LicenseDialog, ShowsTheWholeAgreementResource) {
    const std::string bytes = ResourceBytes();
    ASSERT_FALSE(bytes.empty()) << "no CUSTOM 101 resource";
    HMODULE module = GetModuleHandleW(nullptr);
    ASSERT_EQ(bytes.size(),
              SizeofResource(module, FindResourceW(module, MAKEINTRESOURCEW(101), L"CUSTOM")));
    const std::wstring expected = FromAnsi(bytes);
    const size_t lines =
        static_cast<size_t>(std::count(expected.begin(), expected.end(), L'\n')) + 1;

    OnShown([&](License& d) {
        HWND text = d.Text1.hwnd();
        // Single-byte text: one character per byte of the resource.
        EXPECT_EQ(static_cast<size_t>(GetWindowTextLengthW(text)), bytes.size());
        EXPECT_EQ(WindowText(text), expected);
        EXPECT_EQ(static_cast<size_t>(SendMessageW(text, EM_GETLINECOUNT, 0, 0)), lines);
        EXPECT_EQ(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);

        // Scrolling to the end shows the last line.
        SendMessageW(text, WM_VSCROLL, SB_BOTTOM, 0);
        RECT area;
        SendMessageW(text, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&area));
        TEXTMETRICW tm{};
        {
            HDC dc = GetDC(text);
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(text, WM_GETFONT, 0, 0)));
            GetTextMetricsW(dc, &tm);
            SelectObject(dc, old);
            ReleaseDC(text, dc);
        }
        ASSERT_GT(tm.tmHeight, 0);
        const size_t visible = static_cast<size_t>((area.bottom - area.top) / tm.tmHeight);
        ASSERT_GT(visible, 0u);
        const auto first = static_cast<size_t>(SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0));
        EXPECT_GT(lines, visible) << "the agreement fits the box: nothing to scroll";
        EXPECT_GT(first, 0u) << "the box did not scroll";
        EXPECT_GE(first + visible, lines);
        Click(d.CancelButton.hwnd());
    });
    ConfirmThroughMainWindow();
}

TEST(LicenseAgreement, TextIsTheResourceInTheAnsiCodePage) {
    const std::string bytes = ResourceBytes();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find('\0'), std::string::npos);
    // CR LF line breaks only.
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
        if (bytes[i] == '\r') {
            EXPECT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_EQ(win::Wide(AgreementText()), FromAnsi(bytes));
}

TEST(LicenseAgreement, OpensWithItsTitleLine) {
    const std::string text = AgreementText();
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "CORVANE PROGRAM GROUP - END USER LICENSE AGREEMENT");
}

}  // namespace
}  // namespace cvinst
