// The Win32 pieces deployment rests on: the run log on disk, the wait for another installation's
// hold on the Windows Installer, pauses that keep the window working, and the command-line limit.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "engine/win32/run_system.h"
#include "support/win32/log_file.h"
#include "win32_files.h"
#include "win32_machine.h"
#include "win32_run_system.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::MatchesRegex;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line has no line break";
    return lines;
}

// ---- the run log ------------------------------------------------------------------------------

TEST(LogFile, AppendsOneStampedLinePerEventCreatingTheFoldersOnItsWay) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::string path = folder.File("Журнал\\deploy\\run.log");
    {
        LogFile log;
        ASSERT_TRUE(log.Open(path));
        log.Write("first");
        log.Write("a box:\r\nline two\nline three");
    }
    LogFile again;
    ASSERT_TRUE(again.Open(path));
    again.Write("second run");

    const std::string stamp = R"(\d\d\d\d-\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d \[)" +
                              std::to_string(GetCurrentProcessId()) + R"(\] )";
    EXPECT_THAT(Lines(testkit::FileBytes(path).value_or("")),
                ElementsAre(MatchesRegex(stamp + "first"),
                            MatchesRegex(stamp + R"(a box:\\nline two\\nline three)"),
                            MatchesRegex(stamp + "second run")));
}

TEST(LogFile, AFileThatCannotBeWrittenIsReportedOnceAndStopsNothing) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    // A file stands where the log's folder would have to be.
    ASSERT_TRUE(folder.Write("blocker", ""));

    LogFile log;
    std::vector<std::string> reports;
    log.onFailure = [&](const std::string& path, const std::string& reason) {
        reports.push_back(path + " | " + reason);
    };
    const std::string path = folder.File("blocker\\run.log");
    EXPECT_FALSE(log.Open(path));
    EXPECT_FALSE(log.IsOpen());
    log.Write("lost");
    EXPECT_FALSE(log.Open(path));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], ::testing::StartsWith(path + " | "));
    EXPECT_GT(reports[0].size(), path.size() + 3) << "the reason is given";
}

TEST(LogFile, DefaultsToTheTemporaryFolderAndMakesPathsAbsolute) {
    // Where the README promises it: %TEMP%\CVInst.log.
    wchar_t expected[MAX_PATH];
    ASSERT_GT(ExpandEnvironmentStringsW(L"%TEMP%\\CVInst.log", expected, MAX_PATH), 0u);
    EXPECT_EQ(DefaultLogPath(), win::Utf8(expected));

    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const testkit::CurrentFolderKept cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(win::Wide(folder.Path()).c_str()));
    EXPECT_EQ(FullPath("logs\\run.log"), folder.File("logs\\run.log"));
}

// ---- another installation holds the Windows Installer ----------------------------------------

// Whether another thread can take the mutex at once, as msiexec must.
bool FreeForOthers() {
    bool free = false;
    std::thread([&] {
        win::unique_handle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\_MSIExecute"));
        const DWORD wait = mutex ? WaitForSingleObject(mutex.get(), 0) : WAIT_OBJECT_0;
        free = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (mutex && free) ReleaseMutex(mutex.get());
    }).join();
    return free;
}

TEST(WaitForInstaller, IsFreeAtOnceWithoutAnotherInstallation) {
    WinRunSystem machine;
    EXPECT_TRUE(machine.WaitForInstaller(0));
}

TEST(WaitForInstaller, WaitsUntilTheOtherInstallationEndsAndNeverHoldsIt) {
    WinRunSystem machine;
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    EXPECT_FALSE(machine.WaitForInstaller(0));
    EXPECT_FALSE(machine.WaitForInstaller(100));

    std::thread ends([&] {
        Sleep(300);
        other.Release();
    });
    const uint64_t start = machine.Milliseconds();
    EXPECT_TRUE(machine.WaitForInstaller(30000));
    ends.join();
    EXPECT_GE(machine.Milliseconds() - start, 250u);
    EXPECT_TRUE(FreeForOthers());
}

// ---- pauses keep the window working ----------------------------------------------------------

TEST(Pause, DispatchesMessagesAndHandsOnAQuit) {
    const testkit::CountingWindow window(WM_APP);
    ASSERT_TRUE(window.hwnd());

    std::thread poster([hwnd = window.hwnd()] {
        Sleep(100);
        PostMessageW(hwnd, WM_APP, 0, 0);
    });
    PostQuitMessage(7);
    WinRunSystem machine;
    const uint64_t start = machine.Milliseconds();
    machine.Pause(400);
    poster.join();
    EXPECT_GE(machine.Milliseconds() - start, 350u);
    EXPECT_EQ(window.Count(), 1) << "the message posted during the pause was handled in it";
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// ---- msiexec's command line ------------------------------------------------------------------

TEST(MsiCommandFits, StopsAtWhatCreateProcessTakes) {
    WinRunSystem machine;
    EXPECT_TRUE(machine.MsiCommandFits(std::string(30000, 'x')));
    EXPECT_FALSE(machine.MsiCommandFits(std::string(32767, 'x')));
    // Counted in UTF-16 units, as Windows counts: three bytes of UTF-8, one unit.
    std::string wide;
    for (int i = 0; i < 16000; ++i) wide += "\xE6\x97\xA5";  // 日
    EXPECT_TRUE(machine.MsiCommandFits(wide));
}

}  // namespace
}  // namespace cvinst
