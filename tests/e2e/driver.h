#pragma once
// Drives the real CVInst.exe from outside, as a user would: starts it, finds its windows and
// controls, reads and presses them, answers its message boxes and waits for it to end; and reads
// and resets what the demo products leave on the machine. Texts are UTF-8. Every wait has a
// deadline that only guards against a hang; none measures speed.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forms/handles.h"

namespace cvinst::e2e {

inline constexpr DWORD kDeadlineMs = 60000;
// A whole run of msiexec processes, the slow package's included; only a guard against a hang.
inline constexpr DWORD kRunDeadlineMs = 300000;

// Polls `done` every 50 ms; false when the deadline passed first.
bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs);

// A Linux path of the build as Wine sees it: "Z:" and the path with back slashes.
std::string WindowsPath(std::string_view linuxPath);
// The CVInst.exe of this build.
std::string BuiltInstaller();
// A file of the demo build, e.g. "CVMenu.msi", "slow\\CVWork.msi", "programs\\CVMenu.exe".
std::string DemoFile(std::string_view relative);
// A program of the test tools, e.g. "marker.exe".
std::string ToolFile(std::string_view name);

bool FileExists(const std::string& path);
std::optional<std::string> FileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);

bool EqualNoCase(std::string_view a, std::string_view b);

// A fresh folder under %TEMP%, removed with everything in it at the end. Declare it before the
// Installer started from it, so that the process is gone when the folder goes.
class TempFolder {
public:
    TempFolder();
    // This very folder (e.g. C:\Été Setup), made afresh: one left by an interrupted test is
    // removed first. Path() is empty when it could not be made.
    explicit TempFolder(const std::string& path);
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

// Variables for a started program's environment, "NAME=value" each, e.g. "LC_ALL=ru_RU.UTF-8".
using Environment = std::vector<std::string>;

class Installer {
public:
    // Starts `exe` with `arguments` as the argument text, in the working folder `folder`.
    //
    // With `environment`, the program gets these variables as well. Wine gives a process the
    // locale and ANSI code page of its Unix environment, which a Windows program started by
    // another one inherits from its starter's Unix process, never from the environment block it
    // was given. So `exe` is started from the Unix side instead: the Unix `env` with the
    // variables runs the Wine loader of this process on it, and the new process is found by its
    // path (a program that ends within a few milliseconds may be missed: Started() is then
    // false). The arguments reach it split and joined again by the command-line rules, which
    // keeps plain options as they are. The Unix locales used must have been built (localedef).
    Installer(const std::string& exe, std::string_view arguments, const std::string& folder,
              const Environment& environment = {});
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
// A top-level window's caption as the system keeps it: no message to a process that may be busy.
std::string Caption(HWND hwnd);

struct ProcessEntry {
    DWORD id;
    DWORD parentId;
    std::string exeName;
};
// The processes running now.
std::vector<ProcessEntry> Processes();
// Whether a process with this executable name is running now.
bool ProcessRunning(std::string_view exeName);

// ---- the machine: registry, Program Files, the system's msiexec and the demo products ---------
// Registry paths are under HKEY_LOCAL_MACHINE in the 32-bit view, where the 32-bit packages and
// programs write.

// A key of the 32-bit view; empty when it cannot be opened with this access.
win::unique_hkey OpenKey32(HKEY root, std::string_view path, REGSAM access = KEY_READ);
std::optional<std::string> RegText(std::string_view key, std::string_view value);
std::optional<DWORD> RegDword(std::string_view key, std::string_view value);
bool RegKeyExists(std::string_view key);
// Sets a REG_SZ value of an existing key.
bool RegSetText(std::string_view key, std::string_view value, std::string_view text);

// "ProgramFilesDir" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, without a final "\".
std::string ProgramFilesDir();
// A path under the Program Files folder, e.g. ProgramFile("Corvane Menu\\CVMenu.exe").
std::string ProgramFile(std::string_view relative);

// The system folder's msiexec.exe, the one CVInst runs; "" when the folder is unknown.
std::string SystemMsiexec();
// Runs SystemMsiexec() with "<arguments>" and waits; its exit code, nothing when it could
// not be started or did not end before the deadline.
std::optional<DWORD> RunSystemMsiExec(std::string_view arguments);
// Whether the system's msi.dll, which the helpers below use, could be loaded.
bool MsiLoaded();
// Runs these SQL statements on the package and commits them; false at the first that fails.
bool ChangePackage(const std::string& package, std::initializer_list<std::string> statements);

// One demo program as its package installs it.
struct DemoProgram {
    std::string_view name;       // also its folder under Program Files
    std::string_view package;    // in the demo build, and its name beside the installer
    std::string_view marker;     // a file in its folder
    std::string_view valuesKey;  // where its package writes "Installed" and "DemoValue"
};

inline constexpr DemoProgram kMenu{"Corvane Menu", "CVMenu.msi", "CVMenu.exe",
                                   "SOFTWARE\\Corvane\\Packages\\CVMenu"};
inline constexpr DemoProgram kWork{"Corvane Workstation", "CVWork.msi", "CVWork.exe",
                                   "SOFTWARE\\Corvane\\Packages\\CVWork"};
inline constexpr DemoProgram kServer{"Corvane Personal Server", "CVPServ.msi", "CVPServ.exe",
                                     "SOFTWARE\\Corvane\\Packages\\CVPServ"};
inline constexpr DemoProgram kExamples{"Corvane Examples", "CVExampl.msi", "start.cvm",
                                       "SOFTWARE\\Corvane\\Packages\\CVExampl"};
inline constexpr DemoProgram kDemoPrograms[] = {kMenu, kWork, kServer, kExamples};

std::string MarkerPath(const DemoProgram& program);
// Waits for the Personal Server's registration to end, removes every installed demo product with
// msiexec /x <product code> /qn (again while another msiexec holds the installer), then what is
// left: HKLM\SOFTWARE\Corvane and the programs' folders.
void RemoveDemoProducts();
// Every trace of a demo product on the machine, one line each; empty when there is none.
std::vector<std::string> DemoTraces();

}  // namespace cvinst::e2e
