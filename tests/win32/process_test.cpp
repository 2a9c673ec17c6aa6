#include "engine/win32/process.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/win32/run_system.h"
#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst {
namespace {

WinRunSystem& Machine() {
    static WinRunSystem machine;
    return machine;
}

using ::testing::AnyOf;
using ::testing::Eq;
using win::Utf8;
using win::Wide;

// The helper programs' folder as Wine sees it: drive Z: maps the Unix root.
std::wstring ToolsDir() {
    std::wstring dir = L"Z:" + Wide(CVINST_TOOLS_DIR);
    for (wchar_t& c : dir) {
        if (c == L'/') c = L'\\';
    }
    return dir;
}

std::wstring Tool(const wchar_t* name) { return ToolsDir() + L"\\" + name; }

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW data;
    win::unique_hfind find(FindFirstFileW((dir + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(dir.c_str());
}

// A fresh folder of the test's own under the user's temp folder.
class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1];
        const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
        ASSERT_GT(n, 0u);
        static int serial = 0;
        dir_ = std::wstring(temp, n) + L"CVInstTests." + std::to_wstring(GetCurrentProcessId()) +
               L"." + std::to_wstring(++serial);
        RemoveTree(dir_);
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    }
    void TearDown() override { RemoveTree(dir_); }

    std::wstring At(const std::wstring& relative) const { return dir_ + L"\\" + relative; }
    std::string AtUtf8(const std::wstring& relative) const { return Utf8(At(relative)); }

    void MakeFile(const std::wstring& relative) {
        HANDLE file = CreateFileW(At(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << Utf8(relative);
        CloseHandle(file);
    }
    void MakeFolder(const std::wstring& relative) {
        ASSERT_TRUE(CreateDirectoryW(At(relative).c_str(), nullptr)) << Utf8(relative);
    }

    std::wstring dir_;
};

// RunAndWait / RunMsiExec --------------------------------------------------------------------

class RunAndWaitExitCode : public ::testing::TestWithParam<unsigned long> {};

TEST_P(RunAndWaitExitCode, ComesBackFromTheChild) {
    const std::wstring sleeper = Tool(L"sleeper.exe");
    const MsiResult r =
        RunAndWait(sleeper, L"\"" + sleeper + L"\" 0 " + std::to_wstring(GetParam()));
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Codes, RunAndWaitExitCode, ::testing::Values(0ul, 7ul, 1602ul, 3010ul));

TEST(RunAndWait, AProgramThatDoesNotExistIsNotStarted) {
    const std::wstring missing = ToolsDir() + L"\\no such program.exe";
    const MsiResult r = RunAndWait(missing, L"\"" + missing + L"\" 0 7");
    EXPECT_FALSE(r.started);
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
        eventName_ = L"CVInstTests.release." + std::to_wstring(GetCurrentProcessId());
        event_.reset(CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str()));
        ASSERT_TRUE(event_);

        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CVInstTests.WaitWindow";
        RegisterClassW(&wc);
        window_.reset(CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                      nullptr, nullptr, wc.hInstance, nullptr));
        ASSERT_TRUE(window_);
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == kRelease) {
            auto* self =
                reinterpret_cast<MessagesDuringWait*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            ++self->handled_;
            SetEvent(self->event_.get());
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    std::wstring eventName_;
    win::unique_handle event_;
    win::unique_hwnd window_;
    int handled_ = 0;
};

TEST_F(MessagesDuringWait, AreDispatchedWhileTheChildRuns) {
    // The child ends with 7 only once the window has handled the message, and gives up with 258
    // after a minute: a wait that does not dispatch cannot see 7.
    ASSERT_TRUE(PostMessageW(window_.get(), kRelease, 0, 0));
    const std::wstring sleeper = Tool(L"sleeper.exe");
    const MsiResult r = RunAndWait(sleeper, L"\"" + sleeper + L"\" 60000 7 " + eventName_);
    EXPECT_TRUE(r.started);
    EXPECT_EQ(r.exitCode, 7u);
    EXPECT_EQ(handled_, 1);
}

TEST_F(MessagesDuringWait, AQuitSeenDuringTheWaitIsPostedAgain) {
    PostQuitMessage(42);
    ASSERT_TRUE(PostMessageW(window_.get(), kRelease, 0, 0));
    const std::wstring sleeper = Tool(L"sleeper.exe");
    const MsiResult r = RunAndWait(sleeper, L"\"" + sleeper + L"\" 60000 3 " + eventName_);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_EQ(handled_, 1);
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
        wchar_t cwd[MAX_PATH];
        saved_.assign(cwd, GetCurrentDirectoryW(MAX_PATH, cwd));
        plant_ =
            (GetParam() == PlantedIn::CurrentFolder ? dir_ : Wide(Machine().InstallerFolder())) +
            L"\\msiexec.exe";
        ASSERT_TRUE(CopyFileW(Tool(L"marker.exe").c_str(), plant_.c_str(), FALSE)) << Utf8(plant_);
        ASSERT_TRUE(SetCurrentDirectoryW(dir_.c_str()));
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved_.c_str());
        for (const wchar_t* suffix : {L"", L".ran", L".part"})
            DeleteFileW((plant_ + suffix).c_str());
        TempFolderTest::TearDown();
    }

    std::wstring saved_;
    std::wstring plant_;
};

TEST_P(PlantedMsiexec, NeverRunsInsteadOfTheSystemsOwn) {
    const MsiResult r = Machine().RunMsiExec("/i \"C:\\no such folder\\CVMenu.msi\" /qn");
    EXPECT_TRUE(r.started);
    EXPECT_THAT(r.exitCode, AnyOf(Eq(1619ul), Eq(2ul)));
    EXPECT_FALSE(Exists(plant_ + L".ran")) << "the planted " << Utf8(plant_) << " ran";
}

INSTANTIATE_TEST_SUITE_P(RunMsiExec, PlantedMsiexec,
                         ::testing::Values(PlantedIn::CurrentFolder, PlantedIn::ProgramsFolder),
                         [](const auto& info) {
                             return info.param == PlantedIn::CurrentFolder ? "InTheCurrentFolder"
                                                                           : "InTheProgramsFolder";
                         });

// StartDetached ------------------------------------------------------------------------------

std::string ReadWhole(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits for a detached child's mark; gives up after a minute rather than hanging the run.
bool WaitForEither(const std::wstring& one, const std::wstring& other) {
    for (int i = 0; i < 1200; ++i) {
        if (Exists(one) || Exists(other)) return true;
        Sleep(50);
    }
    return false;
}

using StartDetachedTest = TempFolderTest;

TEST_F(StartDetachedTest, RunsThePathWithBlanksAndNeverItsPrefix) {
    // marker.exe leaves "<itself>.ran" holding its command line. Planted as "Program.exe" it is
    // what an unquoted "...\Program Files\target.exe" would start instead.
    MakeFolder(L"Program Files");
    ASSERT_TRUE(CopyFileW(Tool(L"marker.exe").c_str(), At(L"Program.exe").c_str(), TRUE));
    ASSERT_TRUE(
        CopyFileW(Tool(L"marker.exe").c_str(), At(L"Program Files\\target.exe").c_str(), TRUE));
    const std::string target = AtUtf8(L"Program Files\\target.exe");

    ASSERT_TRUE(Machine().StartProcess(target, " /REGISTERCOM"));

    const std::wstring ran = At(L"Program Files\\target.exe.ran");
    const std::wstring decoyRan = At(L"Program.exe.ran");
    ASSERT_TRUE(WaitForEither(ran, decoyRan));
    EXPECT_FALSE(Exists(decoyRan));
    ASSERT_TRUE(Exists(ran));
    EXPECT_EQ(ReadWhole(ran), "\"" + target + "\" /REGISTERCOM");
}

TEST_F(StartDetachedTest, AMissingProgramIsNotStarted) {
    MakeFolder(L"Program Files");
    ASSERT_TRUE(CopyFileW(Tool(L"marker.exe").c_str(), At(L"Program.exe").c_str(), TRUE));
    EXPECT_FALSE(Machine().StartProcess(AtUtf8(L"Program Files\\target.exe"), " /REGISTERCOM"));
    EXPECT_FALSE(Machine().StartProcess("", " /REGISTERCOM"));
}

// FindFile -----------------------------------------------------------------------------------

class FindFileTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        MakeFile(L"CVMenu.exe");
        MakeFile(L"start.cvm");
        MakeFolder(L"Corvane Menu");
    }
};

TEST_F(FindFileTest, GivesTheNameAsStoredWithoutItsFolder) {
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"CVMenu.exe")), "CVMenu.exe");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"cvmenu.EXE")), "CVMenu.exe");
}

TEST_F(FindFileTest, AFolderMatches) {
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"Corvane Menu")), "Corvane Menu");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"CORVANE MENU")), "Corvane Menu");
}

TEST_F(FindFileTest, WildcardsMatchAsTheSystemDefinesThem) {
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"*.cvm")), "start.cvm");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"CV?enu.exe")), "CVMenu.exe");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"*.msi")), "");
}

TEST_F(FindFileTest, NothingMatchingGivesEmptyText) {
    EXPECT_EQ(Machine().FindFile(""), "");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"CVWork.exe")), "");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"No Folder\\CVMenu.exe")), "");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"CVMenu.exe\\start.cvm")), "");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"a<|>b")), "");
}

TEST_F(FindFileTest, NamesOutsideTheAnsiCodePageComeBackWhole) {
    // Japanese fits neither the Western nor the Cyrillic code page, Cyrillic not the Western one,
    // accented Latin letters not the Cyrillic one: under any of them some name here cannot pass.
    MakeFolder(L"セットアップ テスト");
    MakeFile(L"セットアップ テスト\\Установка.msi");
    MakeFile(L"Été.txt");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"セットアップ テスト")), "セットアップ テスト");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"セットアップ テスト\\Установка.msi")), "Установка.msi");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"セットアップ テスト\\УСТАНОВКА.MSI")), "Установка.msi");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"セットアップ テスト\\*.msi")), "Установка.msi");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"ÉTÉ.TXT")), "Été.txt");
    EXPECT_EQ(Machine().FindFile(AtUtf8(L"セットアップ\\Установка.msi")), "");
}

// Folders and error texts ------------------------------------------------------------------------

TEST(InstallerFolder, IsTheRunningProgramsFolderWithoutTrailingBackslash) {
    const std::string folder = Machine().InstallerFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_EQ(Machine().FindFile(folder + "\\win32_tests.exe"), "win32_tests.exe");
}

class SetCurrentFolderTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        wchar_t cwd[MAX_PATH];
        saved_.assign(cwd, GetCurrentDirectoryW(MAX_PATH, cwd));
    }
    void TearDown() override {
        SetCurrentDirectoryW(saved_.c_str());
        TempFolderTest::TearDown();
    }
    static std::wstring Current() {
        wchar_t cwd[MAX_PATH];
        return std::wstring(cwd, GetCurrentDirectoryW(MAX_PATH, cwd));
    }
    std::wstring saved_;
};

TEST_F(SetCurrentFolderTest, ChangesFolderAndDrive) {
    MakeFolder(L"Setup Folder");
    Machine().SetCurrentFolder(Utf8(ToolsDir()));
    EXPECT_EQ(CompareStringOrdinal(Current().c_str(), -1, ToolsDir().c_str(), -1, TRUE),
              CSTR_EQUAL);

    Machine().SetCurrentFolder(AtUtf8(L"Setup Folder"));
    EXPECT_EQ(CompareStringOrdinal(Current().c_str(), -1, At(L"Setup Folder").c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(Machine().FindFile("..\\setup folder"), "Setup Folder");
}

TEST_F(SetCurrentFolderTest, AMissingFolderLeavesTheCurrentOne) {
    Machine().SetCurrentFolder(Utf8(dir_));
    Machine().SetCurrentFolder(AtUtf8(L"No Such Folder"));
    Machine().SetCurrentFolder("");
    EXPECT_EQ(CompareStringOrdinal(Current().c_str(), -1, dir_.c_str(), -1, TRUE), CSTR_EQUAL);
}

TEST(SystemErrorText, DescribesCodesWithoutTheClosingLineBreak) {
    for (unsigned long code : {2ul, 5ul, 1603ul, 1619ul}) {
        const std::string text = Machine().ErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n') << code;
        EXPECT_NE(text.back(), '\r') << code;
    }
    EXPECT_NE(Machine().ErrorText(2), Machine().ErrorText(5));
}

TEST(SystemErrorText, IsEmptyForACodeWithoutText) {
    EXPECT_EQ(Machine().ErrorText(0x2000FFFFul), "");
}

}  // namespace
}  // namespace cvinst
