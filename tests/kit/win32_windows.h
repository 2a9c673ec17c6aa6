#pragma once
// Windows as a test sees them, its own or another process's: texts and states read with
// messages, buttons pressed, keys pressed through the forms' keyboard handling, the tab order
// walked, the message queue emptied; and the forms' message boxes and modal forms answered
// instead of a person. Texts are UTF-8. Every deadline only guards against a hang; none measures
// speed.
#include <windows.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/win32/handles.h"
#include "forms/form.h"
#include "forms/msgbox.h"

namespace cvinst::testkit {

inline constexpr DWORD kDeadlineMs = 60000;

// Polls `done` every 50 ms; false when the deadline passed first.
bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs = kDeadlineMs);

// ---- reading and pressing --------------------------------------------------------------------

// WM_GETTEXT, whole; "" from a window that does not answer before the deadline.
std::string Text(HWND hwnd);
// The same with a deadline of its own: nothing when the window did not answer in time.
std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs);
std::string ClassName(HWND hwnd);
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
int CheckState(HWND button);  // BM_GETCHECK: BST_UNCHECKED, BST_CHECKED

// Direct children in z order, which is their creation and tab order.
std::vector<HWND> Children(HWND parent);
// The child with this text, or the index-th one of this class (compared without regard to case);
// nullptr when there is none.
HWND ChildByText(HWND parent, std::string_view text);
HWND ChildByClass(HWND parent, std::string_view className, int index);

// What a person sees of a control.
struct ControlState {
    std::string text;
    bool enabled;
    int check;  // BM_GETCHECK of a button, -1 for any other control
    bool operator==(const ControlState&) const = default;
};
void PrintTo(const ControlState& state, std::ostream* os);
std::vector<ControlState> StatesOf(const std::vector<HWND>& controls);
// Every control of the form, in its order.
std::vector<ControlState> StatesOf(const win::Form& form);

// BM_CLICK sent: returns once the button's window has handled the click.
void Press(HWND button);
void Press(const win::Control& button);

// ---- messages and keys -----------------------------------------------------------------------

// Dispatches every message queued for this thread, keys through the forms' keyboard handling as
// the program's own loops do. A WM_QUIT found is dropped and reported, so that a window closed in
// one test does not end the modal loops of the next.
bool DispatchPendingMessages();
// A key pressed and let go on `target`, with Shift held when asked, and handled.
void PressKey(HWND target, WPARAM key, bool shift = false);
// Where the focus goes on each of `presses` presses of Tab (Shift+Tab when `backwards`),
// starting with the focus on `from`.
std::vector<HWND> TabWalk(HWND from, size_t presses, bool backwards = false);

// ---- geometry --------------------------------------------------------------------------------

int ScreenDpi();
// Twips as pixels at this DPI, rounded as Windows rounds (MulDiv).
int Pixels(int twips, int dpi);
// The control's DC with the control's own font selected, to measure its text as it draws it.
class ControlFontDc {
public:
    explicit ControlFontDc(HWND control);
    HDC get() const { return dc_.get(); }

private:
    win::ScopedGetDC dc_;
    win::ScopedSelect font_;
};
// A control's rectangle in its parent's client coordinates, in pixels.
RECT RectInParent(HWND control);
// A window's client area, in pixels.
SIZE ClientSize(HWND window);

// ---- windows of the test's own ---------------------------------------------------------------

// A hidden window that counts the messages `message` it gets, running `onMessage` with each.
class CountingWindow {
public:
    explicit CountingWindow(UINT message, std::function<void()> onMessage = {});
    CountingWindow(const CountingWindow&) = delete;
    CountingWindow& operator=(const CountingWindow&) = delete;
    HWND hwnd() const { return window_.get(); }
    int Count() const { return count_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    UINT message_;
    std::function<void()> onMessage_;
    int count_ = 0;
    win::unique_hwnd window_;
};

// ---- the forms' message boxes and modal forms ------------------------------------------------

// The message boxes it answers are not shown: each is kept and answered. It must outlive them.
class AnsweredBoxes {
public:
    explicit AnsweredBoxes(int answer = IDOK) : answer(answer) {}
    AnsweredBoxes(const AnsweredBoxes&) = delete;
    AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;

    // From now on answers the boxes of `boxes`.
    void Answer(win::MessageBoxes& boxes);

    int answer;  // IDOK, IDYES, IDNO...
    std::vector<win::MessageBoxRequest> shown;
};

// `act` runs on every form shown modally over the watched ones once it is on the screen, and must
// close it: a form it leaves open is a failure and is closed here, so that the test goes on. It
// must outlive the forms it watches.
class ModalForms {
public:
    ModalForms() = default;
    ModalForms(const ModalForms&) = delete;
    ModalForms& operator=(const ModalForms&) = delete;

    // From now on watches the forms shown modally over `owner`.
    void Watch(win::Form& owner);

    std::function<void(win::Form&)> act;
    int shown = 0;
};

}  // namespace cvinst::testkit
