#include "engine/win32/process.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "engine/win32/run_system.h"
#include "win32_files.h"
#include "win32_windows.h"

namespace cvinst {
namespace {

WinRunSystem& Machine() {
    static WinRunSystem machine;
    return machine;
}

using ::testing::AnyOf;
using ::testing::Eq;
using testkit::Exists;
using testkit::ToolFile;
using win::Wide;

// The command line of a program started by its full path: the path quoted, then the arguments.
std::wstring CommandLine(const std::string& exe, const std::string& arguments) {
    return L"\"" + Wide(exe) + L"\" " + Wide(arguments);
}

// A fresh folder of the test's own under the user's temporary folder.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.Made()); }

    // marker.exe copied into the folder as `relative`.
    void PlantMarker(std::string_view relative) {
        ASSERT_TRUE(folder.CopyIn(ToolFile("marker.exe"), relative)) << relative;
    }

    testkit::TempFolder folder;
};

// RunAndWait / RunMsiExec --------------------------------------------------------------------

class RunAndWaitExitCode : public ::testing::TestWithParam<unsigned long> {};

TEST_P(RunAndWaitExitCode, ComesBackFromTheChild) {
    const std::string sleeper = ToolFile("sleeper.exe");
    const MsiResult r =
        RunAndWait(Wide(sleeper), CommandLine(sleeper, "0 " + std::to_string(GetParam())));
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Codes, RunAndWaitExitCode, ::testing::Values(0ul, 7ul, 1602ul, 3010ul));

TEST(RunAndWait, AProgramThatDoesNotExistIsNotStarted) {
    const std::string missing = ToolFile("no such program.exe");
    const MsiResult r = RunAndWait(Wide(missing), CommandLine(missing, "0 7"));
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.problem, "could not be started (error 2)");  // CreateProcess's own code
}

TEST(RunAndWait, NeverSearchesThePathForTheProgram) {
    // A bare name would be found on the search path by a lookup; as a full path it is nothing.
    const MsiResult r = RunAndWait(L"cmd.exe", L"cmd.exe /c exit 5");
    EXPECT_FALSE(r.started);
}

// A hidden window of the test's own whose private message releases the waiting child.
class MessagesDuringWait : public ::testing::Test {
protected:
    static constexpr UINT kRelease = WM_APP + 17;

    void SetUp() override {
        ASSERT_TRUE(release_);
        ASSERT_TRUE(window_.hwnd());
    }

    // Runs the sleeper until the window's message releases it, or a minute has passed (258).
    MsiResult RunReleasedSleeper(int exitCode) {
        const std::string sleeper = ToolFile("sleeper.exe");
        return RunAndWait(Wide(sleeper), CommandLine(sleeper, "60000 " + std::to_string(exitCode) +
                                                                  " " + releaseName_));
    }

    const std::string releaseName_ = "CVInstTests.release." + std::to_string(GetCurrentProcessId());
    win::unique_handle release_{CreateEventW(nullptr, TRUE, FALSE, Wide(releaseName_).c_str())};
    testkit::CountingWindow window_{kRelease, [this] { SetEvent(release_.get()); }};
};

TEST_F(MessagesDuringWait, AreDispatchedWhileTheChildRuns) {
    // The child ends with 7 only once the window has handled the message, and gives up with 258
    // after a minute: a wait that does not dispatch cannot see 7.
    ASSERT_TRUE(PostMessageW(window_.hwnd(), kRelease, 0, 0));
    const MsiResult r = RunReleasedSleeper(7);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_EQ(window_.Count(), 1);
}

TEST_F(MessagesDuringWait, AQuitSeenDuringTheWaitIsPostedAgain) {
    PostQuitMessage(42);
    ASSERT_TRUE(PostMessageW(window_.hwnd(), kRelease, 0, 0));
    EXPECT_EQ(RunReleasedSleeper(3).exitCode, 3u);
    EXPECT_EQ(window_.Count(), 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(RunMsiExec, StartsTheSystemsInstallerAndGivesItsExitCode) {
    // A missing package: 1619 on Windows, 2 from Wine's msiexec.
    const MsiResult r = Machine().RunMsiExec("/i \"C:\\no such folder\\CVMenu.msi\" /qn");
    EXPECT_TRUE(r.started);
    EXPECT_THAT(r.exitCode, AnyOf(Eq(1619ul), Eq(2ul)));
}

// A search for "msiexec.exe" looks in the program's own folder and in the current folder before
// the system folder; marker.exe planted there as msiexec.exe leaves "msiexec.exe.ran" when it runs.
enum class PlantedIn { CurrentFolder, ProgramsFolder };

class PlantedMsiexec : public TempFolderTest, public ::testing::WithParamInterface<PlantedIn> {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        plant_ =
            (GetParam() == PlantedIn::CurrentFolder ? folder.Path() : Machine().InstallerFolder()) +
            "\\msiexec.exe";
        ASSERT_TRUE(CopyFileW(Wide(ToolFile("marker.exe")).c_str(), Wide(plant_).c_str(), FALSE))
            << plant_;
        ASSERT_TRUE(SetCurrentDirectoryW(Wide(folder.Path()).c_str()));
    }
    void TearDown() override {
        for (const char* suffix : {"", ".ran", ".part"}) testkit::RemoveFile(plant_ + suffix);
    }

    testkit::CurrentFolderKept cwd_;
    std::string plant_;
};

TEST_P(PlantedMsiexec, NeverRunsInsteadOfTheSystemsOwn) {
    const MsiResult r = Machine().RunMsiExec("/i \"C:\\no such folder\\CVMenu.msi\" /qn");
    EXPECT_TRUE(r.started);
    EXPECT_THAT(r.exitCode, AnyOf(Eq(1619ul), Eq(2ul)));
    EXPECT_FALSE(Exists(plant_ + ".ran")) << "the planted " << plant_ << " ran";
}

INSTANTIATE_TEST_SUITE_P(RunMsiExec, PlantedMsiexec,
                         ::testing::Values(PlantedIn::CurrentFolder, PlantedIn::ProgramsFolder),
                         [](const auto& info) {
                             return info.param == PlantedIn::CurrentFolder ? "InTheCurrentFolder"
                                                                           : "InTheProgramsFolder";
                         });

// StartDetached ------------------------------------------------------------------------------

using StartDetachedTest = TempFolderTest;

TEST_F(StartDetachedTest, RunsThePathWithBlanksAndNeverItsPrefix) {
    // marker.exe leaves "<itself>.ran" holding its command line. Planted as "Program.exe" it is
    // what an unquoted "...\Program Files\target.exe" would start instead.
    ASSERT_TRUE(folder.MakeFolder("Program Files"));
    PlantMarker("Program.exe");
    PlantMarker("Program Files\\target.exe");
    const std::string target = folder.File("Program Files\\target.exe");

    ASSERT_TRUE(Machine().StartProcess(target, " /REGISTERCOM"));

    const std::string ran = target + ".ran";
    const std::string decoyRan = folder.File("Program.exe.ran");
    ASSERT_TRUE(testkit::WaitUntil([&] { return Exists(ran) || Exists(decoyRan); }));
    EXPECT_FALSE(Exists(decoyRan));
    EXPECT_EQ(testkit::FileBytes(ran), "\"" + target + "\" /REGISTERCOM");
}

TEST_F(StartDetachedTest, AMissingProgramIsNotStarted) {
    ASSERT_TRUE(folder.MakeFolder("Program Files"));
    PlantMarker("Program.exe");
    EXPECT_FALSE(Machine().StartProcess(folder.File("Program Files\\target.exe"), " /REGISTERCOM"));
    EXPECT_FALSE(Machine().StartProcess("", " /REGISTERCOM"));
}

// FindFile -----------------------------------------------------------------------------------

class FindFileTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_TRUE(folder.Write("CVMenu.exe", ""));
        ASSERT_TRUE(folder.Write("start.cvm", ""));
        ASSERT_TRUE(folder.MakeFolder("Corvane Menu"));
    }
};

TEST_F(FindFileTest, GivesTheNameAsStoredWithoutItsFolder) {
    EXPECT_EQ(Machine().FindFile(folder.File("CVMenu.exe")), "CVMenu.exe");
    EXPECT_EQ(Machine().FindFile(folder.File("cvmenu.EXE")), "CVMenu.exe");
}

TEST_F(FindFileTest, AFolderMatches) {
    EXPECT_EQ(Machine().FindFile(folder.File("Corvane Menu")), "Corvane Menu");
    EXPECT_EQ(Machine().FindFile(folder.File("CORVANE MENU")), "Corvane Menu");
}

TEST_F(FindFileTest, WildcardsMatchAsTheSystemDefinesThem) {
    EXPECT_EQ(Machine().FindFile(folder.File("*.cvm")), "start.cvm");
    EXPECT_EQ(Machine().FindFile(folder.File("CV?enu.exe")), "CVMenu.exe");
    EXPECT_EQ(Machine().FindFile(folder.File("*.msi")), "");
}

TEST_F(FindFileTest, NothingMatchingGivesEmptyText) {
    EXPECT_EQ(Machine().FindFile(""), "");
    EXPECT_EQ(Machine().FindFile(folder.File("CVWork.exe")), "");
    EXPECT_EQ(Machine().FindFile(folder.File("No Folder\\CVMenu.exe")), "");
    EXPECT_EQ(Machine().FindFile(folder.File("CVMenu.exe\\start.cvm")), "");
    EXPECT_EQ(Machine().FindFile(folder.File("a<|>b")), "");
}

TEST_F(FindFileTest, NamesOutsideTheAnsiCodePageComeBackWhole) {
    // Japanese fits neither the Western nor the Cyrillic code page, Cyrillic not the Western one,
    // accented Latin letters not the Cyrillic one: under any of them some name here cannot pass.
    ASSERT_TRUE(folder.MakeFolder("セットアップ テスト"));
    ASSERT_TRUE(folder.Write("セットアップ テスト\\Установка.msi", ""));
    ASSERT_TRUE(folder.Write("Été.txt", ""));
    EXPECT_EQ(Machine().FindFile(folder.File("セットアップ テスト")), "セットアップ テスト");
    EXPECT_EQ(Machine().FindFile(folder.File("セットアップ テスト\\Установка.msi")),
              "Установка.msi");
    EXPECT_EQ(Machine().FindFile(folder.File("セットアップ テスト\\УСТАНОВКА.MSI")),
              "Установка.msi");
    EXPECT_EQ(Machine().FindFile(folder.File("セットアップ テスト\\*.msi")), "Установка.msi");
    EXPECT_EQ(Machine().FindFile(folder.File("ÉTÉ.TXT")), "Été.txt");
    EXPECT_EQ(Machine().FindFile(folder.File("セットアップ\\Установка.msi")), "");
}

// Folders and error texts ------------------------------------------------------------------------

TEST(InstallerFolder, IsTheRunningProgramsFolderWithoutTrailingBackslash) {
    const std::string folder = Machine().InstallerFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(Machine().FindFile(folder + "\\win32_tests.exe"), "win32_tests.exe");
}

TEST(SystemErrorText, DescribesCodesWithoutTheClosingLineBreak) {
    for (unsigned long code : {2ul, 5ul, 1603ul, 1619ul}) {
        const std::string text = Machine().ErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
    }
    EXPECT_NE(Machine().ErrorText(2), Machine().ErrorText(5));
}

TEST(SystemErrorText, IsTheCodeForACodeWithoutText) {
    EXPECT_EQ(Machine().ErrorText(0x2000FFFFul), "error 536936447");
}

}  // namespace
}  // namespace cvinst
