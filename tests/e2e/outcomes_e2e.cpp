// How each exit code of msiexec turns into the run's outcome and CVInst's exit status, end to end:
// the test prefix's msiexec is the test kit's stand-in, which answers what each row says.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/win32/text.h"
#include "driver.h"
#include "fake_msiexec.h"

namespace cvinst::e2e {
namespace {

struct OutcomeCase {
    const char* name;
    std::string arguments;
    bool menuMarkerLeftOver;         // Corvane Menu's marker, with no product behind it
    std::vector<DWORD> codes;        // msiexec's answers, in order; 0 afterwards
    std::vector<std::string> steps;  // what msiexec was started for; empty: not looked at
    DWORD exitStatus;
    std::string outcome;  // the status line at the end
};

void PrintTo(const OutcomeCase& c, std::ostream* os) { *os << c.name; }

class MsiexecOutcome : public CleanMachineTest, public ::testing::WithParamInterface<OutcomeCase> {
protected:
    // The verb and the package's file name of each run of msiexec, e.g. "/i CVMenu.msi".
    std::vector<std::string> Steps() const {
        std::vector<std::string> steps;
        for (const std::string& line : fake.CommandLines()) {
            const size_t verb = line.find("\" /") + 2;  // after msiexec's quoted path
            const size_t end = line.find(".msi\"") + 4;
            const size_t name = line.rfind('\\', end) + 1;
            steps.push_back(line.substr(verb, 3) + line.substr(name, end - name));
        }
        return steps;
    }

    FakeMsiexec fake;  // in place before the fixture's clean-up, which leaves it there
};

TEST_P(MsiexecOutcome, EndsTheRunAsItShould) {
    const OutcomeCase& c = GetParam();
    ASSERT_TRUE(fake.Active());
    ASSERT_TRUE(fake.SetExitCodes(c.codes));
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork});
    if (c.menuMarkerLeftOver) {
        ASSERT_TRUE(CreateDirectoryW(win::Wide(ProgramFile("Corvane Menu")).c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), "left over"));
    }
    const Watched run = Run(exe, c.arguments + " " + LogOption());
    const std::string written = RunLog();

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(c.exitStatus)) << written;
    EXPECT_EQ(run.visibleWindows, std::vector<std::string>{}) << "an unattended run shows nothing";
    if (!c.steps.empty()) {
        EXPECT_EQ(Steps(), c.steps);
    }
    EXPECT_NE(written.find("Outcome: " + c.outcome + "\r\n"), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Codes, MsiexecOutcome,
    ::testing::Values(
        OutcomeCase{"Success",
                    "/I /P:MW",
                    false,
                    {0, 0},
                    {"/i CVMenu.msi", "/i CVWork.msi"},
                    0,
                    "Status: Installation Completed"},
        OutcomeCase{"RestartNeeded",
                    "/I /P:MW",
                    false,
                    {3010, 0},
                    {"/i CVMenu.msi", "/i CVWork.msi"},
                    3010,
                    "Status: Installation Completed"},
        OutcomeCase{"RestartStartedStartsNothingMore",
                    "/I /P:MW",
                    false,
                    {1641},
                    {"/i CVMenu.msi"},
                    1641,
                    "Status: Installation Stopped For A Restart; Not Processed: Corvane "
                    "Workstation"},
        OutcomeCase{"CancelEndsTheRun",
                    "/I /P:MW",
                    false,
                    {1602},
                    {"/i CVMenu.msi"},
                    1602,
                    "Status: Installation Failed"},
        OutcomeCase{"AFailureAndTheRunGoesOn",
                    "/I /P:MW",
                    false,
                    {1603, 0},
                    {"/i CVMenu.msi", "/i CVWork.msi"},
                    1603,
                    "Status: Installation Failed"},
        OutcomeCase{"BusyThenFreeIsTriedAgain",
                    "/I /P:M",
                    false,
                    {1618, 1618, 0},
                    {"/i CVMenu.msi", "/i CVMenu.msi", "/i CVMenu.msi"},
                    0,
                    "Status: Installation Completed"},
        OutcomeCase{"BusyPastTheWait",
                    "/I /P:MW /WAIT:2",
                    false,
                    {1618, 1618, 1618, 1618, 1618, 1618},
                    {},
                    1618,
                    "Status: Installation Stopped, Windows Installer Busy; Not Processed: Corvane "
                    "Menu, Corvane Workstation"},
        // A copy the Windows Installer does not know of cannot be removed, but it is replaced.
        OutcomeCase{"UnknownCopyIsReplaced",
                    "/I /P:M",
                    true,
                    {1605, 0},
                    {"/x CVMenu.msi", "/i CVMenu.msi"},
                    0,
                    "Status: Installation Completed"},
        // The removal's restart is still owed after the install that follows it succeeds.
        OutcomeCase{"ARestartTheRemovalAskedForIsKept",
                    "/I /P:M",
                    true,
                    {3010, 0},
                    {"/x CVMenu.msi", "/i CVMenu.msi"},
                    3010,
                    "Status: Installation Completed"},
        OutcomeCase{"FailedRemoval",
                    "/U /P:M",
                    true,
                    {1603},
                    {"/x CVMenu.msi"},
                    1603,
                    "Status: Uninstallation Failed"}),
    [](const ::testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace cvinst::e2e
