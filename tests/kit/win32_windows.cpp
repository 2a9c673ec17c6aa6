#include "win32_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "base/win32/text.h"
#include "forms/message_loop.h"
#include "win32_files.h"

namespace cvinst::testkit {
namespace {

// A message to a window of this or another process, with the deadline as a hang guard; 0 when
// it was not answered in time.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, DWORD timeoutMs = kDeadlineMs) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, timeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}

// ---- reading and pressing --------------------------------------------------------------------

std::string Text(HWND hwnd) { return TextWithin(hwnd, kDeadlineMs).value_or(""); }

std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length))
        return std::nullopt;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_NORMAL, timeoutMs, &copied))
        return std::nullopt;
    text.resize(std::min<size_t>(copied, length));
    return win::Utf8(text);
}

std::string ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return win::Utf8(name);
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

int CheckState(HWND button) { return static_cast<int>(Send(button, BM_GETCHECK, 0, 0)); }

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

HWND ChildByText(HWND parent, std::string_view text) {
    for (HWND c : Children(parent))
        if (Text(c) == text) return c;
    return nullptr;
}

HWND ChildByClass(HWND parent, std::string_view className, int index) {
    for (HWND c : Children(parent))
        if (EqualNoCase(ClassName(c), className) && index-- == 0) return c;
    return nullptr;
}

void PrintTo(const ControlState& state, std::ostream* os) {
    *os << "{\"" << state.text << "\", enabled " << state.enabled << ", check " << state.check
        << "}";
}

namespace {

ControlState StateOf(HWND control) {
    return {Text(control), Enabled(control),
            EqualNoCase(ClassName(control), "Button") ? CheckState(control) : -1};
}

}  // namespace

std::vector<ControlState> StatesOf(const std::vector<HWND>& controls) {
    std::vector<ControlState> states;
    for (HWND control : controls) states.push_back(StateOf(control));
    return states;
}

std::vector<ControlState> StatesOf(const win::Form& form) {
    std::vector<ControlState> states;
    for (const win::Control* control : form.Controls()) states.push_back(StateOf(control->hwnd()));
    return states;
}

void Press(HWND button) { Send(button, BM_CLICK, 0, 0); }

void Press(const win::Control& button) { Press(button.hwnd()); }

// ---- messages and keys -----------------------------------------------------------------------

bool DispatchPendingMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        if (!win::PreTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return quit;
}

void PressKey(HWND target, WPARAM key, bool shift) {
    // The dialog manager reads Shift from the keyboard state, not from the message.
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE saved = keys[VK_SHIFT];
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001));
    DispatchPendingMessages();
    keys[VK_SHIFT] = saved;
    SetKeyboardState(keys);
}

std::vector<HWND> TabWalk(HWND from, size_t presses, bool backwards) {
    SetFocus(from);
    std::vector<HWND> visited;
    for (size_t i = 0; i < presses; ++i) {
        PressKey(GetFocus(), VK_TAB, backwards);
        visited.push_back(GetFocus());
    }
    return visited;
}

// ---- geometry --------------------------------------------------------------------------------

int ScreenDpi() {
    const win::ScopedGetDC screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

int Pixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

ControlFontDc::ControlFontDc(HWND control)
    : dc_(control),
      font_(dc_.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0))) {}

RECT RectInParent(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// ---- windows of the test's own ---------------------------------------------------------------

CountingWindow::CountingWindow(UINT message, std::function<void()> onMessage)
    : message_(message), onMessage_(std::move(onMessage)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CVInstTests.CountingWindow";
    RegisterClassW(&wc);  // fails harmlessly once the class exists
    window_.reset(CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr));
    if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK CountingWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == self->message_) {
        ++self->count_;
        if (self->onMessage_) self->onMessage_();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---- the forms' message boxes and modal forms ------------------------------------------------

void AnsweredBoxes::Answer(win::MessageBoxes& boxes) {
    boxes.answer = [this](const win::MessageBoxRequest& box) {
        shown.push_back(box);
        return answer;
    };
}

void ModalForms::Watch(win::Form& owner) {
    owner.onModalShown = [this](win::Form& form) {
        ++shown;
        if (act) act(form);
        if (form.hwnd() != nullptr) {
            ADD_FAILURE() << "the modal form \"" << form.Caption() << "\" is still open";
            form.Unload();
        }
    };
}

}  // namespace cvinst::testkit
