#pragma once
// Drives the real CVInst.exe from outside, as a user would: starts it, finds its windows and
// controls, reads and presses them, answers its message boxes and waits for it to end. Texts are
// UTF-8. Every wait has a deadline that only guards against a hang; none measures speed.
#include <windows.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cvinst::e2e {

inline constexpr DWORD kDeadlineMs = 60000;

// A Linux path of the build as Wine sees it: "Z:" and the path with back slashes.
std::string WindowsPath(std::string_view linuxPath);
// The CVInst.exe of this build.
std::string BuiltInstaller();

// A fresh folder under %TEMP%, removed with everything in it at the end. Declare it before the
// Installer started from it, so that the process is gone when the folder goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "\\" + std::string(name); }
    void Write(std::string_view name, std::string_view content) const;
    void CopyIn(const std::string& source, std::string_view name) const;
    // A copy of the built CVInst.exe with the given package files beside it; returns its path.
    std::string PlaceInstaller(std::initializer_list<std::string_view> packages) const;

private:
    std::string path_;
};

class Installer {
public:
    // Starts `exe` with `arguments` as the argument text, in the working folder `folder`.
    Installer(const std::string& exe, std::string_view arguments, const std::string& folder);
    // A process still running at the end of a test is killed.
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }

    // The process's top-level windows, in z order.
    std::vector<HWND> Windows() const;
    // Its top-level window with exactly this caption; nullptr when there is none.
    HWND Window(std::string_view caption, bool visibleOnly = true) const;
    // Waits for a visible top-level window with this caption; nullptr at the deadline.
    HWND WaitWindow(std::string_view caption) const;
    // Waits for a visible message box (class "#32770") of the process; nullptr at the deadline.
    HWND WaitMessageBox() const;
    // Waits for the process to end; its exit code, or nothing at the deadline.
    std::optional<DWORD> WaitExit() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Direct children of `parent`: the one with this text, or the index-th one of this class
// (compared without regard to case); nullptr when there is none.
HWND ChildByText(HWND parent, std::string_view text);
HWND ChildByClass(HWND parent, std::string_view className, int index);

std::string ClassName(HWND hwnd);
std::string Text(HWND hwnd);  // WM_GETTEXT
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
int CheckState(HWND button);  // BM_GETCHECK: BST_UNCHECKED, BST_CHECKED
// The control's rectangle in its parent's client coordinates, in pixels.
RECT ClientRect(HWND control);
// The window's client area size, in pixels.
SIZE ClientSize(HWND window);

// BM_CLICK sent: returns once the program has handled the click.
void Press(HWND button);
// BM_CLICK posted: for buttons whose handler opens a modal window or runs for long.
void PostPress(HWND button);

// The message box's text (its static control with id 0xFFFF).
std::string MessageBoxText(HWND box);
// Presses the box's button with this id (IDOK, IDYES, IDNO...); false when it has none.
bool AnswerMessageBox(HWND box, int buttonId);
// Waits until the window is gone; false at the deadline.
bool WaitGone(HWND hwnd);

}  // namespace cvinst::e2e
