#pragma once
// What the unattended and help tests need beside the driver: copies of CVInst.exe with the real
// demo packages beside them, a fixture that starts and ends with a clean machine, watching a run
// to its end, test-only variants of a package, and a way to make the start-up rights check fail.
// Texts are UTF-8.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"

namespace cvinst::e2e::cmdline {

// Copies CVInst.exe and the real packages of `programs` into `folder`; the installer's path.
std::string PlaceWithPackages(const TempFolder& folder,
                              std::initializer_list<DemoProgram> programs);

bool MarkerPresent(const DemoProgram& program);
// A value of the program's key under HKLM\SOFTWARE\Corvane\Packages; nothing when the key or
// value is absent.
std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name);

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

// Test-only variants of a demo package, made by changing a copy of it.
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

}  // namespace cvinst::e2e::cmdline
