#pragma once
// What the unattended and help tests need beside the driver: copies of CVInst.exe with the real
// demo packages beside them, what the demo products leave on the machine (files under Program
// Files, values under HKLM\SOFTWARE\Corvane in the 32-bit view, where the 32-bit packages write),
// test-only variants of a package made with the system's msi.dll, and a way to make the start-up
// rights check fail. Texts are UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"

namespace cvinst::e2e::cmdline {

// A whole unattended run: msiexec once or twice per program; only a guard against a hang.
inline constexpr DWORD kRunDeadlineMs = 180000;

// One demo program as its package installs it.
struct DemoProgram {
    std::string_view package;  // beside the installer
    std::string_view folder;   // under Program Files
    std::string_view marker;   // in that folder
    std::string_view key;      // under HKLM\SOFTWARE\Corvane\Packages
};

inline constexpr DemoProgram kMenu{"CVMenu.msi", "Corvane Menu", "CVMenu.exe", "CVMenu"};
inline constexpr DemoProgram kWork{"CVWork.msi", "Corvane Workstation", "CVWork.exe", "CVWork"};
inline constexpr DemoProgram kServer{"CVPServ.msi", "Corvane Personal Server", "CVPServ.exe",
                                     "CVPServ"};
inline constexpr DemoProgram kExamples{"CVExampl.msi", "Corvane Examples", "start.cvm",
                                       "CVExampl"};
inline constexpr DemoProgram kDemoPrograms[] = {kMenu, kWork, kServer, kExamples};

// A file of the demo build, e.g. "CVMenu.msi" or "corrupt\\CVMenu.msi".
std::string DemoFile(std::string_view relative);

// Copies CVInst.exe and the real packages of `programs` into `folder`; the installer's path.
std::string PlaceWithPackages(const TempFolder& folder,
                              std::initializer_list<DemoProgram> programs);

// "ProgramFilesDir" of the 32-bit view, without a final "\".
std::string ProgramFilesDir();
std::string MarkerPath(const DemoProgram& program);
bool MarkerPresent(const DemoProgram& program);
// A value of HKLM\SOFTWARE\Corvane\Packages\<key>; nothing when the key or value is absent.
std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name);
// Every trace of a demo product on the machine, one line each; empty when there is none.
std::vector<std::string> DemoTraces();

std::optional<std::string> FileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);

// Runs the system's msiexec with `arguments` and waits; its exit code, or nothing when it could
// not be started or did not end in time.
std::optional<DWORD> SystemMsiExec(std::string_view arguments);
// Removes every installed demo product with msiexec /x <product code> /qn, then what is left:
// HKLM\SOFTWARE\Corvane and the programs' folders.
void RemoveDemoProducts();

// A test that starts and ends with no demo product on the machine.
class CleanMachineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// What a process did until it ended: its exit code (nothing at the deadline) and the caption of
// every top-level window of it that was visible at some moment.
struct Watched {
    std::optional<DWORD> exitCode;
    std::vector<std::string> visibleWindows;
};
// Watches `installer` until it ends, looking at its windows every few milliseconds.
Watched WatchUntilExit(const Installer& installer, DWORD deadlineMs = kRunDeadlineMs);

// Waits for a visible top-level window with this caption, of any process; nullptr at the deadline.
HWND WaitWindowOfAnyProcess(std::string_view caption);

// Test-only variants of a demo package, made by changing a copy with the system's msi.dll.
// A package that asks for a restart at its end (ScheduleReboot after InstallFinalize).
bool AddScheduledReboot(const std::string& package);
// A package whose full user interface first shows a dialog captioned `title`, with the buttons
// "Install" (goes on) and "Cancel" (the user's exit).
bool AddStartDialog(const std::string& package, std::string_view title);

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

}  // namespace cvinst::e2e::cmdline
