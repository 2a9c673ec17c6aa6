// CVInst.exe in folders whose names the ANSI code page cannot hold, started with a chosen Unix
// locale (Wine gives a program the ANSI code page of its locale).
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline_support.h"
#include "driver.h"
#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst::e2e::cmdline {
namespace {

using Lines = std::vector<std::string>;

constexpr char kEnglish[] = "LC_ALL=en_US.UTF-8";
constexpr char kRussian[] = "LC_ALL=ru_RU.UTF-8";

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
    const win::unique_handle process(OpenProcess(SYNCHRONIZE, FALSE, installer.Id()));
    if (!installer.Started() || !process) return outcome;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND hwnd : installer.Windows())
                if (IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770") box = hwnd;
            return box || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
        },
        kRunDeadlineMs);
    if (box) {
        outcome.box = MessageBoxText(box);
        AnswerMessageBox(box, IDOK);
    }
    outcome.exitCode = WatchUntilExit(installer).exitCode;
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
    const TempFolder folder(row.folder);
    ASSERT_EQ(folder.Path(), row.folder) << "could not make the folder";
    const std::string exe = PlaceWithPackages(folder, {kMenu});

    EXPECT_EQ(RunUnattended(exe, "/I /P:M", folder.Path(), row.locale), kSilentSuccess);
    EXPECT_TRUE(MarkerPresent(kMenu)) << MarkerPath(kMenu);
    EXPECT_EQ(PackageValue(kMenu, "Installed"), "1");
    EXPECT_THAT(DemoTraces(), ::testing::Contains("product Corvane Menu installed"));

    EXPECT_EQ(RunUnattended(exe, "/U /P:M", folder.Path(), row.locale), kSilentSuccess);
    EXPECT_FALSE(MarkerPresent(kMenu)) << MarkerPath(kMenu);
    EXPECT_EQ(PackageValue(kMenu, "Installed"), std::nullopt);
    EXPECT_EQ(DemoTraces(), Lines{});
}

INSTANTIATE_TEST_SUITE_P(
    Unicode, InstallerFolderOutsideTheCodePage,
    ::testing::Values(FolderRow{"JapaneseUnderEnglish", "C:\\セットアップ テスト", kEnglish, 1252},
                      FolderRow{"CyrillicUnderEnglish", "C:\\Установка", kEnglish, 1252},
                      FolderRow{"AccentsUnderRussian", "C:\\Été Setup", kRussian, 1251}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace cvinst::e2e::cmdline
