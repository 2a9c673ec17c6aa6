// CVInst.exe in folders whose names the ANSI code page cannot hold, started with a chosen Unix
// locale (Wine gives a program the ANSI code page of its locale): an installer folder outside
// that code page, and a Program Files folder outside it.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "driver.h"
#include "fake_msiexec.h"

namespace cvinst::e2e {
namespace {

using Lines = std::vector<std::string>;

constexpr char kEnglish[] = "LC_ALL=en_US.UTF-8";
constexpr char kRussian[] = "LC_ALL=ru_RU.UTF-8";
constexpr char kDefaultParams[] = " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

// The ANSI code page a program started with this locale gets; 0 when it could not be learnt.
UINT CodePageUnder(const char* locale) {
    const std::wstring name = L"CVInstTests.codepage." + std::to_wstring(GetCurrentProcessId());
    const win::unique_handle release(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    if (!release) return 0;
    Installer probe(ToolFile("codepage.exe"), win::Utf8(name), "", {locale});
    if (!probe.Started()) return 0;
    SetEvent(release.get());
    return probe.WaitExit().value_or(0);
}

// What an unattended run did: its exit code (nothing at the deadline) and the text of a message
// box it showed instead of running silently; the box is answered, so the run can end.
struct Outcome {
    std::optional<DWORD> exitCode;
    std::string box;
};

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "exit " << (o.exitCode ? std::to_string(*o.exitCode) : "none")
        << (o.box.empty() ? "" : ", box \"" + o.box + "\"");
}

Outcome RunUnattended(const std::string& exe, std::string_view arguments, const std::string& folder,
                      const char* locale) {
    Outcome outcome;
    const Installer installer(exe, arguments, folder, {locale});
    if (!installer.Started()) return outcome;
    HWND box = nullptr;
    WaitUntil([&] { return (box = installer.OpenBox()) != nullptr || !installer.Running(); },
              kRunDeadlineMs);
    if (box) {
        outcome.box = ReadBox(box).text;
        Answer(box, IDOK);
    }
    outcome.exitCode = installer.Watch().exitCode;
    return outcome;
}

const Outcome kSilentSuccess{0, ""};

bool operator==(const Outcome& a, const Outcome& b) {
    return a.exitCode == b.exitCode && a.box == b.box;
}

// ---- an installer folder outside the ANSI code page ---------------------------------------------

struct FolderRow {
    const char* label;
    const char* folder;
    const char* locale;
    UINT codePage;  // the locale's ANSI code page, which cannot hold the folder's name
};

void PrintTo(const FolderRow& row, std::ostream* os) { *os << row.folder << " " << row.locale; }

class InstallerFolderOutsideTheCodePage : public CleanMachineTest,
                                          public ::testing::WithParamInterface<FolderRow> {};

TEST_P(InstallerFolderOutsideTheCodePage, InstallsAndUninstallsWithItsPackages) {
    const FolderRow& row = GetParam();
    ASSERT_EQ(CodePageUnder(row.locale), row.codePage)
        << "a program started with " << row.locale << " does not get its code page; is that "
        << "Unix locale built (localedef)?";
    const TempFolder setup(row.folder);
    ASSERT_EQ(setup.Path(), row.folder) << "could not make the folder";
    const std::string exe = PlaceWithPackages(setup, {kMenu});

    EXPECT_EQ(RunUnattended(exe, "/I /P:M", setup.Path(), row.locale), kSilentSuccess);
    EXPECT_EQ(ProgramsPresent(), "M");
    EXPECT_THAT(DemoTraces(), ::testing::Contains("product Corvane Menu installed"));

    EXPECT_EQ(RunUnattended(exe, "/U /P:M", setup.Path(), row.locale), kSilentSuccess);
    EXPECT_EQ(ProgramsPresent(), "");
    EXPECT_EQ(DemoTraces(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Unicode, InstallerFolderOutsideTheCodePage,
    ::testing::Values(FolderRow{"JapaneseUnderEnglish", "C:\\セットアップ テスト", kEnglish, 1252},
                      FolderRow{"CyrillicUnderEnglish", "C:\\Установка", kEnglish, 1252},
                      FolderRow{"AccentsUnderRussian", "C:\\Été Setup", kRussian, 1251}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- a Program Files folder outside the ANSI code page ------------------------------------------

// msiexec installs where its package says, whatever "ProgramFilesDir" holds: what the run makes of
// the folder shows in the msiexec command lines it starts (seen through the fake) and in the
// registration of the Personal Server.
using ProgramFilesOutsideTheCodePage = CleanMachineTest;

TEST_F(ProgramFilesOutsideTheCodePage, IsWhereRemovalSkipAndRegistrationLook) {
    ASSERT_EQ(CodePageUnder(kEnglish), 1252u)
        << "a program started with " << kEnglish << " does not get code page 1252";
    const std::string programFiles = "C:\\Программы";
    const std::string exe = PlaceWithPackages(folder, {kMenu, kServer});
    const std::string menuPackage = Quoted(folder.File(kMenu.package));
    const std::string serverPackage = Quoted(folder.File(kServer.package));
    const ProgramFilesMoved moved(programFiles);
    ASSERT_TRUE(moved.Moved()) << "\"ProgramFilesDir\" could not be changed";
    const FakeMsiexec msiexec;
    ASSERT_TRUE(msiexec.Active()) << "the fake msiexec could not be put in place";
    const std::string run = Quoted(msiexec.Path()) + " ";

    // Corvane Menu is present in the new folder: removing it starts msiexec for it ...
    const std::string menuFolder = programFiles + "\\" + std::string(kMenu.name);
    ASSERT_TRUE(CreateDirectoryW(win::Wide(menuFolder).c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(menuFolder + "\\" + std::string(kMenu.marker), "present"));
    EXPECT_EQ(RunUnattended(exe, "/U /P:M", folder.Path(), kEnglish), kSilentSuccess);
    EXPECT_EQ(msiexec.CommandLines(), Lines{run + "/x " + menuPackage + kDefaultParams});

    // ... and /T leaves it alone.
    EXPECT_EQ(RunUnattended(exe, "/I /T /P:M", folder.Path(), kEnglish), kSilentSuccess);
    EXPECT_EQ(msiexec.CommandLines().size(), 1u) << "an msiexec run for a skipped program";

    // The Personal Server is registered from the new folder: a marker program stands in for it.
    const std::string serverFolder = programFiles + "\\" + std::string(kServer.name);
    const std::string server = serverFolder + "\\" + std::string(kServer.marker);
    ASSERT_TRUE(CreateDirectoryW(win::Wide(serverFolder).c_str(), nullptr));
    ASSERT_TRUE(
        CopyFileW(win::Wide(ToolFile("marker.exe")).c_str(), win::Wide(server).c_str(), TRUE));
    EXPECT_EQ(RunUnattended(exe, "/I /P:S", folder.Path(), kEnglish), kSilentSuccess);
    EXPECT_EQ(msiexec.CommandLines(), (Lines{run + "/x " + menuPackage + kDefaultParams,
                                             run + "/x " + serverPackage + kDefaultParams,
                                             run + "/i " + serverPackage + kDefaultParams}));
    const std::string mark = server + ".ran";
    EXPECT_TRUE(WaitUntil([&] { return Exists(mark); }))
        << "the Personal Server was not started from " << server;
    EXPECT_EQ(FileBytes(mark), Quoted(server) + " /REGISTERCOM");
    // Its folder goes with the moved Program Files folder once the stand-in has ended.
    WaitUntil([] { return !ProcessRunning("CVPServ.exe"); });
}

}  // namespace
}  // namespace cvinst::e2e
