#pragma once
// Drives the real CVInst.exe from outside, as a user or a deployment tool would: places it beside
// packages, starts it, finds its windows, presses their buttons, answers its message boxes and
// watches it to its end; and reads, changes and resets what the demo products and CVInst's
// checks use on the machine. What is not about another process (folders, files, reading windows,
// waits) comes from the test kit. Texts are UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/win32/handles.h"
#include "win32_files.h"
#include "win32_windows.h"

namespace cvinst::e2e {

using testkit::CheckState;
using testkit::ChildByClass;
using testkit::ChildByText;
using testkit::EqualNoCase;
using testkit::Exists;
using testkit::FileBytes;
using testkit::kDeadlineMs;
using testkit::Press;
using testkit::TempFolder;
using testkit::Text;
using testkit::ToolFile;
using testkit::WaitUntil;
using testkit::WriteFileBytes;

// A whole run of msiexec processes, the slow package's included; only a guard against a hang.
inline constexpr DWORD kRunDeadlineMs = 300000;

inline constexpr char kMainTitle[] = "Corvane Installer 1.0";

using Captions = std::vector<std::string>;

// ---- the demo programs and their packages ------------------------------------------------------

// One demo program as its package installs it.
struct DemoProgram {
    char letter;                 // its letter on the command line
    std::string_view name;       // also its folder under Program Files
    std::string_view package;    // in the demo build, and its name beside the installer
    std::string_view marker;     // a file in its folder
    std::string_view valuesKey;  // where its package writes "Installed" and "DemoValue"
};

inline constexpr DemoProgram kMenu{'M', "Corvane Menu", "CVMenu.msi", "CVMenu.exe",
                                   "SOFTWARE\\Corvane\\Packages\\CVMenu"};
inline constexpr DemoProgram kWork{'W', "Corvane Workstation", "CVWork.msi", "CVWork.exe",
                                   "SOFTWARE\\Corvane\\Packages\\CVWork"};
inline constexpr DemoProgram kServer{'S', "Corvane Personal Server", "CVPServ.msi", "CVPServ.exe",
                                     "SOFTWARE\\Corvane\\Packages\\CVPServ"};
inline constexpr DemoProgram kExamples{'E', "Corvane Examples", "CVExampl.msi", "start.cvm",
                                       "SOFTWARE\\Corvane\\Packages\\CVExampl"};
inline constexpr DemoProgram kDemoPrograms[] = {kMenu, kWork, kServer, kExamples};
// The programs of these letters, in their order.
std::vector<DemoProgram> DemoPrograms(std::string_view letters);

// A file of the demo build, e.g. "CVMenu.msi", "slow\\CVWork.msi", "programs\\CVMenu.exe".
std::string DemoFile(std::string_view relative);

// A package of the demo build and the name it gets beside the installer.
struct Package {
    // Not explicit: a program stands for its own package.
    Package(const DemoProgram& program) : source(program.package), name(program.package) {}
    // The programs of these letters' packages.
    static std::vector<Package> Of(std::string_view letters);
    Package(std::string source, std::string name)
        : source(std::move(source)), name(std::move(name)) {}
    std::string source;  // in the demo build, e.g. "corrupt\\CVMenu.msi"
    std::string name;    // beside the installer
};

// CVInst.exe and these packages linked (or copied) into the folder; the installer's path. A
// linked package is the demo build's own file: copy one in instead to change it.
std::string PlaceWithPackages(const TempFolder& folder, const std::vector<Package>& packages);
// CVInst.exe with files of these names beside it that are no packages; the installer's path.
std::string PlaceWithFakePackages(const TempFolder& folder,
                                  std::initializer_list<std::string_view> names);

// ---- a started CVInst ------------------------------------------------------------------------

// Variables for a started program's environment, "NAME=value" each, e.g. "LC_ALL=ru_RU.UTF-8".
using Environment = std::vector<std::string>;

// What a process did until it ended: its exit code (nothing at the deadline) and the caption of
// every top-level window of it that was visible at some moment.
struct Watched {
    std::optional<DWORD> exitCode;
    Captions visibleWindows;
};

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

    bool Started() const { return static_cast<bool>(process_); }
    DWORD Id() const { return id_; }
    bool Running() const;

    // The process's top-level windows, in z order.
    std::vector<HWND> Windows() const;
    // The captions of those that are visible now.
    Captions VisibleWindows() const;
    // Its top-level window with exactly this caption; nullptr when there is none.
    HWND Window(std::string_view caption, bool visibleOnly = true) const;
    // Waits for a visible top-level window with this caption; nullptr at the deadline.
    HWND WaitWindow(std::string_view caption) const;
    // Its visible message box (class "#32770"); nullptr when none is open now.
    HWND OpenBox() const;
    // Waits for one; nullptr at the deadline.
    HWND WaitMessageBox() const;
    // Waits for the process to end; its exit code, or nothing at the deadline.
    std::optional<DWORD> WaitExit() const;
    // Watches the process until it ends, looking at its windows every few milliseconds.
    Watched Watch(DWORD deadlineMs = kRunDeadlineMs) const;

private:
    win::unique_handle process_;
    DWORD id_ = 0;
};

// ---- another process's windows ---------------------------------------------------------------

// BM_CLICK posted: for buttons whose handler opens a modal window or runs for long.
void PostPress(HWND button);
// Waits until the window is gone; false at the deadline.
bool WaitGone(HWND hwnd);
// Waits for a visible top-level window with this caption, of any process; nullptr at the deadline.
HWND WaitWindowOfAnyProcess(std::string_view caption);

// A message box as a person sees it.
struct BoxSeen {
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // the ids of its buttons: IDOK, IDYES, IDNO...
    bool operator==(const BoxSeen&) const = default;
};
void PrintTo(const BoxSeen& box, std::ostream* os);
inline const std::vector<int> kOkOnly{IDOK};
inline const std::vector<int> kYesNo{IDYES, IDNO};
BoxSeen ReadBox(HWND box);
// Presses the box's button with this id and waits until the box is gone; false when it has no
// such button or stays.
bool Answer(HWND box, int buttonId);

// The main window's controls, in their creation order.
struct MainControls {
    HWND window = nullptr;
    HWND option[2] = {};
    HWND program[4] = {};
    HWND allSelected = nullptr, action = nullptr, exitButton = nullptr, status = nullptr;
    // Finds them in the window; false when one is missing or there is a button too many.
    bool Find(HWND mainWindow);
};

// ---- processes -------------------------------------------------------------------------------

// Whether a process with this executable name is running now.
bool ProcessRunning(std::string_view exeName);
// A running child of the process `parentId` with this executable name, opened for waiting;
// empty when there is none.
win::unique_handle OpenChildProcess(DWORD parentId, std::string_view exeName);
bool StillRunning(HANDLE process);

// ---- the machine: registry, Program Files, the system's msiexec and the demo products ---------
// Registry paths are under HKEY_LOCAL_MACHINE, in one of two views: the 32-bit one, where the
// 32-bit packages write and "ProgramFilesDir" names their folder, and the build's own, where
// CVInst and the demo programs (built for the architecture under test, as the tests are) write.
enum class RegView { Packages, Programs };

std::optional<std::string> RegText(std::string_view key, std::string_view value,
                                   RegView view = RegView::Packages);
std::optional<DWORD> RegDword(std::string_view key, std::string_view value,
                              RegView view = RegView::Packages);
// Sets a REG_SZ value of an existing key.
bool RegSetText(std::string_view key, std::string_view value, std::string_view text,
                RegView view = RegView::Packages);

// "ProgramFilesDir" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, without a final "\".
std::string ProgramFilesDir();
// A path under the Program Files folder, e.g. ProgramFile("Corvane Menu\\CVMenu.exe").
std::string ProgramFile(std::string_view relative);

// The system folder's msiexec.exe, the one CVInst runs; "" when the folder is unknown.
std::string SystemMsiexec();
// Runs SystemMsiexec() with "<arguments>" and waits; its exit code, nothing when it could
// not be started or did not end before the deadline.
std::optional<DWORD> RunSystemMsiExec(std::string_view arguments);
// Test-only variants of a copy of a demo package.
// A package that asks for a restart at its end (ScheduleReboot after InstallFinalize).
bool AddScheduledReboot(const std::string& package);
// A package whose full user interface first shows a dialog captioned `title`, with the buttons
// "Install" (goes on) and "Cancel" (the user's exit).
bool AddStartDialog(const std::string& package, std::string_view title);

std::string MarkerPath(const DemoProgram& program);
bool MarkerPresent(const DemoProgram& program);
// A value of the program's key under HKLM\SOFTWARE\Corvane\Packages; nothing when the key or
// value is absent.
std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name);
// The letters of the programs installed now, e.g. "MS": those with their marker file and
// "Installed" = 1. One with its marker or its key but not both shows as its letter and "?".
std::string ProgramsPresent();
// Waits for the Personal Server's registration to end, removes every installed demo product with
// msiexec /x <product code> /qn (again while another msiexec holds the installer), then what is
// left: HKLM\SOFTWARE\Corvane and the programs' folders.
void RemoveDemoProducts();
// Every trace of a demo product on the machine, one line each; empty when there is none.
Captions DemoTraces();

// While it lives, the logon settings key that CVInst's start-up rights check writes to is gone
// from the 32-bit view, so that CVInst cannot open it for writing; it is put back with all its
// values at the end, and a copy left behind by an interrupted test is put back first.
class WinlogonKeyHidden {
public:
    WinlogonKeyHidden();
    ~WinlogonKeyHidden();
    WinlogonKeyHidden(const WinlogonKeyHidden&) = delete;
    WinlogonKeyHidden& operator=(const WinlogonKeyHidden&) = delete;

    bool Hidden() const { return hidden_; }

private:
    bool hidden_ = false;
};
// Whether a 32-bit program can open the logon settings key.
bool WinlogonKeyVisible();

// While it lives, "ProgramFilesDir" of the 32-bit view names `folder`, which is made afresh for
// it; the value is put back and the folder removed with everything in it at the end, also when
// the test fails. A value left changed by an interrupted test is put back first.
class ProgramFilesMoved {
public:
    explicit ProgramFilesMoved(const std::string& folder);
    ~ProgramFilesMoved();
    ProgramFilesMoved(const ProgramFilesMoved&) = delete;
    ProgramFilesMoved& operator=(const ProgramFilesMoved&) = delete;

    bool Moved() const { return moved_; }

private:
    std::unique_ptr<TempFolder> folder_;
    bool moved_ = false;
};

// ---- the fixtures ------------------------------------------------------------------------------

// A test that starts and ends with no demo product on the machine and the system's own msiexec
// in place (one an interrupted test left aside is put back first, unless a FakeMsiexec of this
// test stands in on purpose), with a folder of its own to start CVInst from.
class CleanMachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts `exe` with `arguments` from `cwd` (the test's folder when empty); a start that fails
    // fails the test. It is ended, if still running, before the machine is cleaned.
    Installer& Start(const std::string& exe, std::string_view arguments,
                     const Environment& environment = {}, const std::string& cwd = {});
    // Starts it and watches it until it ends.
    Watched Run(const std::string& exe, std::string_view arguments);
    // Installs the program with the system's msiexec, as an earlier installation would have.
    void InstallBeforehand(const DemoProgram& program);

    // The run log in the test's folder, and the option that asks CVInst for it.
    std::string RunLogPath() const { return folder.File("logs\\run.log"); }
    std::string LogOption() const { return "/LOG=\"" + RunLogPath() + "\""; }
    std::string RunLog() const { return FileBytes(RunLogPath()).value_or(""); }
    bool Logged(std::string_view text) const { return RunLog().find(text) != std::string::npos; }

    TempFolder folder;  // before the installers: it outlives them
    std::list<Installer> installers;
};

// A test of the interactive window: CVInst started without arguments, its controls found.
class MainWindowTest : public CleanMachineTest, public MainControls {
protected:
    // Starts `exe` without arguments (or with deployment options only, which keep the start
    // interactive) from `cwd` (the test's folder when empty) and finds its window's controls.
    void Open(const std::string& exe, const std::string& cwd = {}, std::string_view arguments = {});
    // Presses Exit; the program must end with 0.
    void ExitAndExpectStatusZero();

    Installer* installer = nullptr;
};

}  // namespace cvinst::e2e
