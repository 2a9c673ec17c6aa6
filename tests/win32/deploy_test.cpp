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

std::string TempLogPath() {
    wchar_t path[MAX_PATH];
    EXPECT_GT(ExpandEnvironmentStringsW(L"%TEMP%\\CVInst.log", path, MAX_PATH), 0u);
    return win::Utf8(path);
}

TEST(LogFile, DefaultsToTheProtectedFolderWithRightsAndTheTemporaryFolderWithout) {
    EXPECT_EQ(DefaultLogPath(false), TempLogPath());

    const std::string logs = "C:\\windows\\Logs", corvane = logs + "\\Corvane";
    const std::wstring kept = win::Wide(logs + "\\Corvane.kept");
    const bool hadLogs = testkit::Exists(logs);
    // One an earlier run made goes aside while this test makes its own.
    MoveFileW(win::Wide(corvane).c_str(), kept.c_str());
    EXPECT_TRUE(testkit::EqualNoCase(DefaultLogPath(true), corvane + "\\CVInst.log"));
    EXPECT_TRUE(testkit::Exists(corvane));
    testkit::RemoveTree(corvane);
    // A file where the folder belongs: the log goes where it went before there was one.
    ASSERT_TRUE(testkit::WriteFileBytes(corvane, ""));
    EXPECT_EQ(DefaultLogPath(true), TempLogPath());
    testkit::RemoveFile(corvane);
    MoveFileW(kept.c_str(), win::Wide(corvane).c_str());
    if (!hadLogs) testkit::RemoveTree(logs);
}

TEST(LogFile, MakesPathsAbsolute) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const testkit::CurrentFolderKept cwd;
    ASSERT_TRUE(SetCurrentDirectoryW(win::Wide(folder.Path()).c_str()));
    EXPECT_EQ(FullPath("logs\\run.log"), folder.File("logs\\run.log"));
}

bool HardLink(const std::string& link, const std::string& target) {
    return CreateHardLinkW(win::Wide(link).c_str(), win::Wide(target).c_str(), nullptr);
}

TEST(LogFile, RefusesALinkAtItsPathWritingNothingThroughIt) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::string theirs = folder.File("theirs.txt"), hard = folder.File("hard.log");
    const std::wstring symbolic = win::Wide(folder.File("symbolic.log"));
    ASSERT_TRUE(testkit::WriteFileBytes(theirs, "not for the log"));
    ASSERT_TRUE(HardLink(hard, theirs));

    LogFile log;
    std::vector<std::string> reports;
    log.onFailure = [&](const std::string& file, const std::string& reason) {
        reports.push_back(file + " | " + reason);
    };
    EXPECT_FALSE(log.Open(hard));
    log.Write("secret");
    EXPECT_THAT(reports, ElementsAre(hard + " | has 2 hard links"));
    EXPECT_TRUE(log.Open(folder.File("own.log")));
    // Wine 8.0's CreateSymbolicLinkW returns TRUE and makes nothing at all, and Wine shows a Unix
    // symbolic link as the plain file it leads to (attributes 0x20, one link): this part runs
    // only where a real one can be made.
    if (CreateSymbolicLinkW(symbolic.c_str(), win::Wide(theirs).c_str(), 0) &&
        GetFileAttributesW(symbolic.c_str()) != INVALID_FILE_ATTRIBUTES) {
        EXPECT_FALSE(log.Open(win::Utf8(symbolic)));
        log.Write("secret");
    }
    EXPECT_EQ(testkit::FileBytes(theirs), "not for the log");
}

TEST(LogFile, ALogThatReached10MiBBecomesTheOldOneReplacingItsLink) {
    constexpr size_t kMiB = 1024 * 1024;
    const struct {
        const char* name;
        size_t size;
        const char* old;  // nullptr: kept and appended to
    } rows[] = {
        {"run.log", 10 * kMiB - 1, nullptr},
        {"run.log", 10 * kMiB, "run.old.log"},
        {"trace", 10 * kMiB + 1, "trace.old"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " of " + std::to_string(row.size));
        testkit::TempFolder folder;
        ASSERT_TRUE(folder.Made());
        const std::string full(row.size, 'x');
        ASSERT_TRUE(folder.Write(row.name, full));
        ASSERT_TRUE(folder.Write("theirs.txt", "theirs"));
        // What stands at the old name is replaced as a name: the file it links to stays.
        if (row.old) {
            ASSERT_TRUE(HardLink(folder.File(row.old), folder.File("theirs.txt")));
        }
        LogFile log;
        ASSERT_TRUE(log.Open(folder.File(row.name)));
        log.Write("new run");
        const std::string now = testkit::FileBytes(folder.File(row.name)).value_or("");
        EXPECT_THAT(now, ContainsRegex("new run\r\n$"));
        EXPECT_EQ(now.size() > row.size, !row.old);
        if (row.old) {
            EXPECT_EQ(testkit::FileBytes(folder.File(row.old)), full);
        }
        EXPECT_EQ(testkit::FileBytes(folder.File("theirs.txt")), "theirs");
    }
}

TEST(StepLog, IsHandedOverOnlyWhenItIsAFileOfItsOwnThatCanBeWritten) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    ASSERT_TRUE(folder.Write("blocker", ""));
    ASSERT_TRUE(folder.Write("theirs.txt", "theirs"));
    ASSERT_TRUE(HardLink(folder.File("linked.log"), folder.File("theirs.txt")));
    const std::string full(10 * 1024 * 1024, 'x');
    ASSERT_TRUE(folder.Write("full.log", full));
    ASSERT_TRUE(folder.MakeFolder("folder.log"));
    using ::testing::Optional;
    const struct {
        std::string path;
        ::testing::Matcher<std::optional<std::string>> problem;
    } rows[] = {
        {"NUL", Optional(std::string("names a device"))},
        {"nul.log", Optional(std::string("names a device"))},
        {folder.File("COM1"), Optional(std::string("names a device"))},
        {folder.File("Lpt9 .txt"), Optional(std::string("names a device"))},
        {"\\\\.\\NUL_x.log", Optional(std::string("names a device"))},
        {"\\\\?\\GLOBALROOT\\Device\\Null", Optional(std::string("names a device"))},
        {folder.File("blocker\\x.log"), Optional(::testing::Not(::testing::IsEmpty()))},
        {folder.File("linked.log"), Optional(std::string("has 2 hard links"))},
        {folder.File("folder.log"), Optional(std::string("is a folder"))},
        {folder.File("COM1x.log"), ::testing::Eq(std::nullopt)},
        {"\\\\?\\" + folder.File("new\\step.log"), ::testing::Eq(std::nullopt)},
        {folder.File("full.log"), ::testing::Eq(std::nullopt)},
    };
    for (const auto& row : rows) {
        StepLog stepLog = HoldStepLog(row.path);
        EXPECT_THAT(stepLog.problem.empty() ? std::nullopt : std::optional(stepLog.problem),
                    row.problem)
            << row.path;
        EXPECT_EQ(static_cast<bool>(stepLog.held), stepLog.problem.empty()) << row.path;
    }
    EXPECT_EQ(testkit::FileBytes(folder.File("theirs.txt")), "theirs");
    EXPECT_EQ(testkit::FileBytes(folder.File("COM1x.log")), "");
    EXPECT_EQ(testkit::FileBytes(folder.File("new\\step.log")), "");
    EXPECT_EQ(testkit::FileBytes(folder.File("full.log")), "");
    EXPECT_EQ(testkit::FileBytes(folder.File("full.old.log")), full);
}

TEST(StepLog, WhileHeldItCannotBeDeletedOrRenamedButMsiexecCanAppendToIt) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::wstring path = win::Wide(folder.File("step.log"));
    StepLog stepLog = HoldStepLog(win::Utf8(path));
    ASSERT_TRUE(stepLog.held) << stepLog.problem;
    EXPECT_FALSE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(MoveFileExW(path.c_str(), win::Wide(folder.File("moved.log")).c_str(), 0));
    // msiexec's two processes write one log, so it shares writing; Wine's msi shares only that.
    for (const DWORD share : {DWORD{FILE_SHARE_WRITE}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
        const win::unique_hfile writer(CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(writer) << share;
        DWORD written = 0;
        SetFilePointer(writer.get(), 0, nullptr, FILE_END);
        EXPECT_TRUE(WriteFile(writer.get(), "step\r\n", 6, &written, nullptr));
    }
    stepLog.held.reset();
    EXPECT_EQ(testkit::FileBytes(win::Utf8(path)), "step\r\nstep\r\n");
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(LogFile, OnlyTheRunHoldingTheLockRotatesAndAFailedRenameLetsTheLogGrowOn) {
    const std::string full(10 * 1024 * 1024, 'x');
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    ASSERT_TRUE(folder.Write("run.log", full));
    LogFile log;
    LogAccess unlocked;
    unlocked.mayRotate = false;
    ASSERT_TRUE(log.Open(folder.File("run.log"), unlocked));
    EXPECT_THAT(log.TakeNotes(), ::testing::IsEmpty());
    log.Write("second installer");
    EXPECT_FALSE(testkit::Exists(folder.File("run.old.log")));
    EXPECT_GT(testkit::FileBytes(folder.File("run.log")).value_or("").size(), full.size());

    // Someone holds the old log open without letting it be replaced.
    ASSERT_TRUE(folder.Write("run.old.log", "older"));
    const win::unique_hfile holder(CreateFileW(win::Wide(folder.File("run.old.log")).c_str(),
                                               GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    std::vector<std::string> failures;
    log.onFailure = [&](const std::string&, const std::string& reason) {
        failures.push_back(reason);
    };
    ASSERT_TRUE(log.Open(folder.File("run.log")));
    EXPECT_THAT(log.TakeNotes(), ElementsAre(MatchesRegex(
                                     "The log has reached 10 MiB and cannot be renamed to "
                                     ".*run\\.old\\.log \\(.+\\): it grows on past the limit")));
    log.Write("grows on");
    EXPECT_THAT(testkit::FileBytes(folder.File("run.log")).value_or(""),
                ContainsRegex("grows on\r\n$"));
    EXPECT_EQ(testkit::FileBytes(folder.File("run.old.log")), "older");
    EXPECT_THAT(failures, ::testing::IsEmpty());
}

TEST(LogFile, AnAdministratorsChoiceIsWrittenWhereverItIsAndTheDefaultOnlyWhereNobodyElseCan) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    LogAccess chosen;
    chosen.administrator = true;
    LogFile log;
    ASSERT_TRUE(log.Open(folder.File("chosen\\run.log"), chosen));
    // Wine gives every file its Unix owner, this process's own user, and a list from its mode
    // bits, in which Everyone may read at most: nothing here is open to others.
    EXPECT_THAT(log.TakeNotes(), ::testing::IsEmpty());
    LogAccess byDefault = chosen;
    byDefault.chosen = false;
    EXPECT_TRUE(log.Open(folder.File("default\\CVInst.log"), byDefault));
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
    EXPECT_TRUE(machine.WaitForInstaller(0, {}));
}

// A handle of the test's own keeps the mutex alive after the machine closes its own, so a mutex
// taken and never released would show.
TEST(WaitForInstaller, LeavesAFreeInstallerFreeForOthers) {
    const win::unique_handle kept(CreateMutexW(nullptr, FALSE, L"Global\\_MSIExecute"));
    ASSERT_TRUE(kept);
    WinRunSystem machine;
    EXPECT_TRUE(machine.WaitForInstaller(0, {}));
    EXPECT_TRUE(FreeForOthers());
}

TEST(WaitForInstaller, WaitsUntilTheOtherInstallationEndsAndNeverHoldsIt) {
    WinRunSystem machine;
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    EXPECT_FALSE(machine.WaitForInstaller(0, {}));
    EXPECT_FALSE(machine.WaitForInstaller(100, {}));

    std::thread ends([&] {
        Sleep(300);
        other.Release();
    });
    const uint64_t start = machine.Milliseconds();
    EXPECT_TRUE(machine.WaitForInstaller(30000, {}));
    ends.join();
    EXPECT_GE(machine.Milliseconds() - start, 250u);
    EXPECT_TRUE(FreeForOthers());
}

// A Cancel pressed during the wait is a message handled in it: the wait ends right after it.
TEST(WaitForInstaller, EndsAsSoonAsAMessageHandledInItAsksToStop) {
    WinRunSystem machine;
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    const testkit::CountingWindow window(WM_APP);
    std::thread presses([hwnd = window.hwnd()] {
        Sleep(100);
        PostMessageW(hwnd, WM_APP, 0, 0);
    });
    const uint64_t start = machine.Milliseconds();
    EXPECT_FALSE(machine.WaitForInstaller(30000, [&] { return window.Count() > 0; }));
    presses.join();
    EXPECT_LT(machine.Milliseconds() - start, 1000u);
    EXPECT_EQ(window.Count(), 1);
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
    machine.Pause(400, {});
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

// ---- where the programs are installed ---------------------------------------------------------

// The machine's "ProgramFilesDir" values of one registry view, put back as they were afterwards.
class CurrentVersionKey {
public:
    explicit CurrentVersionKey(REGSAM view) {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE | view, key_.put());
        if (key_) saved_ = testkit::ReadValue(key_.get(), kName);
    }
    ~CurrentVersionKey() {
        if (saved_.status == ERROR_SUCCESS) {
            testkit::WriteValue(key_.get(), kName, saved_.type, saved_.bytes);
        } else if (key_) {
            RegDeleteValueW(key_.get(), L"ProgramFilesDir");
        }
    }
    CurrentVersionKey(const CurrentVersionKey&) = delete;
    CurrentVersionKey& operator=(const CurrentVersionKey&) = delete;

    HKEY get() const { return key_.get(); }
    static constexpr char kName[] = "ProgramFilesDir";

private:
    win::unique_hkey key_;
    testkit::StoredValue saved_;
};

std::vector<BYTE> SzBytes(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

// The packages are 32-bit ones: both builds look where a 32-bit program looks, and a Windows
// without the 32-bit view (no WoW64) still names that folder in its native view.
TEST(ProgramFilesDir, IsThe32BitViewsOrElseTheNativeViewsX86Folder) {
    CurrentVersionKey view32(KEY_WOW64_32KEY);
    ASSERT_TRUE(view32.get());
    ASSERT_EQ(testkit::WriteValue(view32.get(), CurrentVersionKey::kName, REG_SZ,
                                  SzBytes(L"C:\\Corvane 32-bit view")),
              ERROR_SUCCESS);
    WinRunSystem system;
    EXPECT_EQ(system.ProgramFilesDir(), "C:\\Corvane 32-bit view");

    ASSERT_EQ(RegDeleteValueW(view32.get(), L"ProgramFilesDir"), ERROR_SUCCESS);
    win::unique_hkey native;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", 0,
                            KEY_QUERY_VALUE | KEY_WOW64_64KEY, native.put()),
              ERROR_SUCCESS);
    const testkit::StoredValue x86 = testkit::ReadValue(native.get(), "ProgramFilesDir (x86)");
    ASSERT_EQ(x86.status, ERROR_SUCCESS);
    EXPECT_EQ(win::Wide(system.ProgramFilesDir()) + L'\0',
              std::wstring(reinterpret_cast<const wchar_t*>(x86.bytes.data()),
                           x86.bytes.size() / sizeof(wchar_t)));
}

}  // namespace
}  // namespace cvinst
