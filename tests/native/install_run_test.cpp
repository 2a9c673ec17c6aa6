#include "engine/install_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/msi_arguments.h"
#include "engine/run_texts.h"
#include "fake_run_system.h"
#include "fake_run_window.h"

namespace cvinst {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kDefaults = " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

class InstallRunTest : public ::testing::Test {
protected:
    InstallRunTest() {
        system.record = [this](const std::string& entry) { journal.Record(entry); };
    }
    RunReport Install() { return InstallCW(true, options, window, system, log); }
    RunReport Uninstall() { return InstallCW(false, options, window, system, log); }

    void Tick(std::initializer_list<int> indexes) { Tick(std::vector<int>(indexes)); }
    void Tick(const std::vector<int>& indexes) {
        for (int index : indexes) window.checks.at(index) = 1;
    }
    void Present(const std::string& relativeMarker) {
        system.AddFile(R"(C:\Program Files\)" + relativeMarker);
    }

    std::vector<std::string> MsiCalls() const { return journal.Matching("RunMsiExec: "); }
    std::vector<std::string> StatusTexts() const { return journal.Matching("Sata: "); }
    std::vector<std::string> Boxes() const { return journal.Matching("ShowError: "); }

    testkit::Journal journal;
    testkit::FakeRunWindow window{journal};
    testkit::FakeRunSystem system;
    testkit::RecordingLog log;
    RunOptions options;
};

const std::string kMenuMarker = R"(Corvane Menu\CVMenu.exe)";
const std::string kWorkMarker = R"(Corvane Workstation\CVWork.exe)";
const std::string kServerMarker = R"(Corvane Personal Server\CVPServ.exe)";
const std::string kRegister =
    R"(StartProcess: C:\Program Files\Corvane Personal Server\CVPServ.exe| /REGISTERCOM)";

// msiexec's arguments for each package and step with the default parameters.
const std::string kInstallMenu = R"(/i "D:\Setup\CVMenu.msi")" + kDefaults;
const std::string kInstallWork = R"(/i "D:\Setup\CVWork.msi")" + kDefaults;
const std::string kInstallServer = R"(/i "D:\Setup\CVPServ.msi")" + kDefaults;
const std::string kInstallExamples = R"(/i "D:\Setup\CVExampl.msi")" + kDefaults;
const std::string kRemoveMenu = R"(/x "D:\Setup\CVMenu.msi")" + kDefaults;
const std::string kRemoveWork = R"(/x "D:\Setup\CVWork.msi")" + kDefaults;
const std::string kRemoveServer = R"(/x "D:\Setup\CVPServ.msi")" + kDefaults;

const std::vector<std::string> kInstallCompleted = {
    "EnableCmds(true)", "FocusExit", "Sata: Status: Installation Completed", "RunDone(true)"};

// What msiexec answers for one step ("/i " or "/x ") of one package.
struct Reply {
    std::string verb;
    std::string package;
    MsiResult result;
};

// The whole report in one line, so that a row can state all of it: the outcome, each failure as
// program letter and exit code, the programs not processed, the flags, the run's own failure and
// the exit status the process ends with, unless it is 0.
std::string Summary(const RunReport& report) {
    static const char* const kOutcomes[] = {"Declined",  "Completed", "Failed",
                                            "Cancelled", "Stopped",   "Refused"};
    const auto letter = [](int index) { return std::string(1, "MWSE"[index]); };
    std::string text = kOutcomes[static_cast<int>(report.outcome)];
    for (const ProgramFailure& failure : report.failures) {
        text += "; failed " + letter(failure.index) + " " + std::to_string(failure.code);
    }
    for (const int index : report.notProcessed) text += "; not processed " + letter(index);
    if (!report.errorDescription.empty()) text += "; " + report.errorDescription;
    if (report.exitStatus != 0) text += "; exit " + std::to_string(report.exitStatus);
    return text;
}

// --- the whole run, call by call -------------------------------------------------------------

TEST_F(InstallRunTest, InstallOfAbsentProgramRunsStepsInOrder) {
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmInstall", "EnableCmds(false)", "Sata: Status: Installing Corvane...",
                    "Sata: Status: Installing Corvane Menu...", "RunMsiExec: " + kInstallMenu,
                    "EnableCmds(true)", "FocusExit", "Sata: Status: Installation Completed",
                    "RunDone(true)"));
    EXPECT_EQ(Summary(report), "Completed");
}

TEST_F(InstallRunTest, UninstallOfPresentProgramRunsStepsInOrder) {
    Tick({1});
    Present(kWorkMarker);
    const RunReport report = Uninstall();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmRemoval", "EnableCmds(false)", "Sata: Status: Uninstalling Corvane...",
                    "Sata: Status: Uninstalling Corvane Workstation...",
                    "RunMsiExec: " + kRemoveWork, "EnableCmds(true)", "FocusExit",
                    "Sata: Status: Uninstallation Completed", "RunDone(true)"));
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
}

TEST_F(InstallRunTest, AllProgramsInCatalogueOrderWithTheirMarkers) {
    Tick({3, 2, 1, 0});
    Install();
    EXPECT_THAT(
        StatusTexts(),
        ElementsAre("Status: Installing Corvane...", "Status: Installing Corvane Menu...",
                    "Status: Installing Corvane Workstation...",
                    "Status: Installing Corvane Personal Server...",
                    "Status: Installing Corvane Examples...", "Status: Installation Completed"));
    EXPECT_THAT(system.searched,
                ElementsAre(R"(C:\Program Files\Corvane Menu\CVMenu.exe)",
                            R"(C:\Program Files\Corvane Workstation\CVWork.exe)",
                            R"(C:\Program Files\Corvane Personal Server\CVPServ.exe)",
                            R"(C:\Program Files\Corvane Examples\start.cvm)"));
    EXPECT_THAT(MsiCalls(),
                ElementsAre(kInstallMenu, kInstallWork, kInstallServer, kInstallExamples));
}

// --- msiexec argument texts ------------------------------------------------------------------

struct ParamsCase {
    std::string msiOption;
    std::string expected;
};

class InstallerParamsTest : public InstallRunTest,
                            public ::testing::WithParamInterface<ParamsCase> {};

TEST_P(InstallerParamsTest, ReachMsiexecAfterTheQuotedPackage) {
    options.InstallerParams = GetParam().msiOption;
    Tick({0});
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Override, InstallerParamsTest,
    ::testing::Values(
        ParamsCase{"", R"(/i "D:\Setup\CVMenu.msi" /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1)"},
        ParamsCase{"/QN", R"(/i "D:\Setup\CVMenu.msi" /QN)"},
        ParamsCase{" /QN", R"(/i "D:\Setup\CVMenu.msi" /QN)"},
        ParamsCase{"  /QB- REBOOT=R", R"(/i "D:\Setup\CVMenu.msi"  /QB- REBOOT=R)"},
        ParamsCase{"ALLUSERS=1 /QN", R"(/i "D:\Setup\CVMenu.msi" ALLUSERS=1 /QN)"}));

struct FolderCase {
    std::string installerFolder;
    int program;
    std::string expected;
};

class InstallerFolderTest : public InstallRunTest,
                            public ::testing::WithParamInterface<FolderCase> {};

// A folder with blanks stays one argument; a drive root gets no second backslash.
TEST_P(InstallerFolderTest, HoldsThePackages) {
    system.installerFolder = GetParam().installerFolder;
    Tick({GetParam().program});
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(GetParam().expected + kDefaults));
}

INSTANTIATE_TEST_SUITE_P(Folders, InstallerFolderTest,
                         ::testing::Values(FolderCase{R"(C:\My Setup Files)", 2,
                                                      R"(/i "C:\My Setup Files\CVPServ.msi")"},
                                           FolderCase{R"(E:\)", 3, R"(/i "E:\CVExampl.msi")"}));

// --- the action table ------------------------------------------------------------------------

struct ActionCase {
    const char* name{};
    bool install = true;
    bool skipInstalled = false;
    std::vector<int> ticked{};
    std::vector<std::string> present{};  // markers under Program Files
    std::vector<std::string> msiCalls{};
    std::vector<std::string> statuses{};  // every text of the status line, in order
};

class ActionTest : public InstallRunTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(ActionTest, DependsOnTheMarkerAndTheSkipSwitch) {
    options.SkipInstalled = GetParam().skipInstalled;
    Tick(GetParam().ticked);
    for (const std::string& marker : GetParam().present) Present(marker);
    EXPECT_EQ(Summary(GetParam().install ? Install() : Uninstall()), "Completed");
    EXPECT_THAT(MsiCalls(), ElementsAreArray(GetParam().msiCalls));
    EXPECT_THAT(StatusTexts(), ElementsAreArray(GetParam().statuses));
}

// One row in a few lines, the fields in the struct's order.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ActionTest, ::testing::Values(
    ActionCase{.name = "PresentProgramIsRemovedThenInstalled", .ticked = {0},
        .present = {kMenuMarker}, .msiCalls = {kRemoveMenu, kInstallMenu},
        .statuses = {"Status: Installing Corvane...", "Status: Installing Corvane Menu...",
                     "Status: Installation Completed"}},
    // What is left alone still shows on the status line.
    ActionCase{.name = "SkipInstalledLeavesPresentProgram", .skipInstalled = true,
        .ticked = {0, 1}, .present = {kMenuMarker}, .msiCalls = {kInstallWork},
        .statuses = {"Status: Installing Corvane...", "Status: Installing Corvane Menu...",
                     "Status: Installing Corvane Workstation...",
                     "Status: Installation Completed"}},
    ActionCase{.name = "SkipInstalledDoesNotChangeUninstall", .install = false,
        .skipInstalled = true, .ticked = {0}, .present = {kMenuMarker},
        .msiCalls = {kRemoveMenu},
        .statuses = {"Status: Uninstalling Corvane...", "Status: Uninstalling Corvane Menu...",
                     "Status: Uninstallation Completed"}},
    ActionCase{.name = "UninstallOfAbsentProgramStartsNothing", .install = false,
        .ticked = {0, 3},
        .statuses = {"Status: Uninstalling Corvane...", "Status: Uninstalling Corvane Menu...",
                     "Status: Uninstalling Corvane Examples...",
                     "Status: Uninstallation Completed"}},
    ActionCase{.name = "ExamplesArePresentThroughStartCvm", .install = false, .ticked = {3},
        .present = {R"(Corvane Examples\start.cvm)"},
        .msiCalls = {R"(/x "D:\Setup\CVExampl.msi")" + kDefaults},
        .statuses = {"Status: Uninstalling Corvane...",
                     "Status: Uninstalling Corvane Examples...",
                     "Status: Uninstallation Completed"}},
    ActionCase{.name = "MarkerOfAnotherProgramDoesNotCount", .install = false, .ticked = {1},
        .present = {R"(Corvane Workstation\CVMenu.exe)", R"(Corvane Menu\CVWork.exe)"},
        .statuses = {"Status: Uninstalling Corvane...",
                     "Status: Uninstalling Corvane Workstation...",
                     "Status: Uninstallation Completed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(InstallRunTest, UntickedBoxesAreSkipped) {
    window.checks = {0, 1, 2, 1};  // 2 is no tick
    Install();
    EXPECT_THAT(
        StatusTexts(),
        ElementsAre("Status: Installing Corvane...", "Status: Installing Corvane Workstation...",
                    "Status: Installing Corvane Examples...", "Status: Installation Completed"));
    EXPECT_THAT(MsiCalls(), ElementsAre(kInstallWork, kInstallExamples));
}

TEST_F(InstallRunTest, BoxTickedDuringTheRunCountsWhenReached) {
    Tick({0});
    system.duringMsiExec = [this](const std::string&) {
        window.checks[0] = 0;
        window.checks[3] = 1;
    };
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(kInstallMenu, kInstallExamples));
}

// --- Program Files folder --------------------------------------------------------------------

TEST_F(InstallRunTest, ThreeCharacterProgramFilesFailsWhileProgressTextStands) {
    system.programFiles = R"(C:\)";
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmInstall", "EnableCmds(false)", "Sata: Status: Installing Corvane...",
                    "ShowError: Error: Invalid Program Files Directory!", "EnableCmds(true)",
                    "RunDone(true)", "Sata: Status: Installation Failed"));
    EXPECT_EQ(Summary(report), "Failed; Invalid Program Files Directory!; exit 1603");
    EXPECT_THAT(system.searched, IsEmpty());
}

TEST_F(InstallRunTest, MissingProgramFilesFailsUninstallToo) {
    system.programFiles = "";
    Tick({0});
    const RunReport report = Uninstall();
    EXPECT_THAT(StatusTexts(),
                ElementsAre("Status: Uninstalling Corvane...", "Status: Uninstallation Failed"));
    EXPECT_THAT(Boxes(), ElementsAre("Error: Invalid Program Files Directory!"));
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

TEST_F(InstallRunTest, FourCharacterProgramFilesIsAcceptedWithBackslashAppended) {
    system.programFiles = R"(D:\PF)";
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(system.searched, ElementsAre(R"(D:\PF\Corvane Menu\CVMenu.exe)"));
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
}

TEST_F(InstallRunTest, ProgramFilesEndingInBackslashIsKept) {
    system.programFiles = R"(C:\Program Files\)";
    Tick({2});
    Install();
    EXPECT_THAT(system.searched,
                ElementsAre(R"(C:\Program Files\Corvane Personal Server\CVPServ.exe)"));
    EXPECT_THAT(journal.entries, Contains(kRegister));
}

// --- confirmation ----------------------------------------------------------------------------

TEST_F(InstallRunTest, DeclinedAgreementTouchesNothing) {
    window.acceptInstall = false;
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(journal.entries, ElementsAre("ConfirmInstall"));
    EXPECT_EQ(RunOutcome::Declined, report.outcome);
}

TEST_F(InstallRunTest, RemovalAnsweredNoTouchesNothing) {
    window.acceptRemoval = false;
    Tick({0});
    Present(kMenuMarker);
    const RunReport report = Uninstall();
    EXPECT_THAT(journal.entries, ElementsAre("ConfirmRemoval"));
    EXPECT_EQ(RunOutcome::Declined, report.outcome);
}

TEST_F(InstallRunTest, UnattendedAsksNeitherQuestion) {
    options.Unattended = true;
    window.acceptInstall = false;
    window.acceptRemoval = false;
    Tick({0});
    Present(kMenuMarker);
    EXPECT_EQ(RunOutcome::Completed, Install().outcome);
    EXPECT_EQ(RunOutcome::Completed, Uninstall().outcome);
    EXPECT_THAT(journal.entries, Not(Contains("ConfirmInstall")));
    EXPECT_THAT(journal.entries, Not(Contains("ConfirmRemoval")));
    EXPECT_THAT(MsiCalls(), ElementsAre(kRemoveMenu, kInstallMenu, kRemoveMenu));
}

TEST_F(InstallRunTest, UnattendedStillShowsTheRunsOwnFailure) {
    options.Unattended = true;
    system.programFiles = "C:";
    Tick({0});
    Install();
    EXPECT_THAT(Boxes(), ElementsAre("Error: Invalid Program Files Directory!"));
}

// --- Personal Server registration ------------------------------------------------------------

TEST_F(InstallRunTest, RegistrationStartsRightAfterServerInstall) {
    Tick({1, 2, 3});
    Install();
    const std::vector<std::string>& log = journal.entries;
    auto install = std::find(log.begin(), log.end(), "RunMsiExec: " + kInstallServer);
    ASSERT_NE(log.end(), install);
    ASSERT_NE(log.end(), install + 1);
    EXPECT_EQ(kRegister, *(install + 1));
    EXPECT_EQ(1, std::count(log.begin(), log.end(), kRegister));
}

TEST_F(InstallRunTest, RegistrationFollowsReinstallOfPresentServer) {
    Tick({2});
    Present(kServerMarker);
    Install();
    EXPECT_THAT(journal.Tail(7),
                ElementsAre("RunMsiExec: " + kRemoveServer, "RunMsiExec: " + kInstallServer,
                            kRegister, "EnableCmds(true)", "FocusExit",
                            "Sata: Status: Installation Completed", "RunDone(true)"));
}

TEST_F(InstallRunTest, NoRegistrationOnUninstallOrWhenSkipped) {
    Tick({2});
    Present(kServerMarker);
    Uninstall();
    options.SkipInstalled = true;
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(kRemoveServer));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
}

TEST_F(InstallRunTest, RegistrationThatCannotStartIsLoggedAndIgnored) {
    system.startSucceeds = false;
    Tick({2, 3});
    EXPECT_EQ(RunOutcome::Completed, Install().outcome);
    EXPECT_THAT(log.lines, Contains("Server registration could not be started: \"C:\\Program "
                                    "Files\\Corvane Personal Server\\CVPServ.exe\" /REGISTERCOM"));
    EXPECT_THAT(Boxes(), IsEmpty());
}

// --- what msiexec answers ---------------------------------------------------------------------

struct ExitCodeCase {
    const char* name{};
    bool install = true;
    bool unattended = false;
    std::vector<int> ticked{};
    std::vector<std::string> present{};  // markers under Program Files
    std::vector<Reply> replies{};        // every other step succeeds
    std::map<unsigned long, std::string> errorTexts{};
    // What the run does and reports.
    std::vector<std::string> msiCalls{};
    std::string report{};
    std::vector<std::string> afterLastStep{};  // the journal after the last msiexec
    std::vector<std::string> closing{};        // the log's last lines, when given
};

class ExitCodeTest : public InstallRunTest, public ::testing::WithParamInterface<ExitCodeCase> {};

TEST_P(ExitCodeTest, DecidesTheProgramsAndTheRunsOutcome) {
    const ExitCodeCase& row = GetParam();
    options.Unattended = row.unattended;
    Tick(row.ticked);
    for (const std::string& marker : row.present) Present(marker);
    for (const Reply& reply : row.replies) system.Answer(reply.verb, reply.package, reply.result);
    system.errorTexts = row.errorTexts;

    const RunReport report = row.install ? Install() : Uninstall();
    EXPECT_THAT(MsiCalls(), ElementsAreArray(row.msiCalls));
    EXPECT_EQ(Summary(report), row.report);
    const auto& entries = journal.entries;
    const auto lastStep = std::find_if(entries.rbegin(), entries.rend(), [](const auto& entry) {
        return entry.rfind("RunMsiExec: ", 0) == 0;
    });
    ASSERT_NE(lastStep, entries.rend());
    EXPECT_THAT(std::vector<std::string>(lastStep.base(), entries.end()),
                ElementsAreArray(row.afterLastStep));
    if (!row.closing.empty()) {
        ASSERT_GE(log.lines.size(), row.closing.size());
        EXPECT_THAT(
            std::vector<std::string>(log.lines.end() - std::ssize(row.closing), log.lines.end()),
            ElementsAreArray(row.closing));
    }
}

const std::string kInstallFailed = "Sata: Status: Installation Failed";
const std::string kCouldNotInstall =
    "ShowError: Error: The following programs could not be installed:\n";

// One row in a few lines, the fields in the struct's order.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Codes, ExitCodeTest, ::testing::Values(
    // 1641 on the last program leaves nothing unprocessed: the run completes.
    ExitCodeCase{.name = "RestartCodesCountAsSuccess", .ticked = {0, 1},
        .replies = {{"/i ", "CVMenu.msi", {true, 3010}}, {"/i ", "CVWork.msi", {true, 1641}}},
        .msiCalls = {kInstallMenu, kInstallWork},
        .report = "Completed; exit 1641",
        .afterLastStep = kInstallCompleted},
    ExitCodeCase{.name = "FailedPackageIsReportedAndTheRunGoesOn", .ticked = {0, 1},
        .replies = {{"/i ", "CVMenu.msi", {true, 1603}}},
        .errorTexts = {{1603, "Fatal error during installation."}},
        .msiCalls = {kInstallMenu, kInstallWork}, .report = "Failed; failed M 1603; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Menu: Fatal error during installation.",
                          "EnableCmds(true)", "RunDone(true)", kInstallFailed},
        .closing = {"Outcome: Status: Installation Failed", "Result: Corvane Menu: failed "
                    "(1603): Fatal error during installation.", "Result: Corvane Workstation: "
                    "installed (0)", "Exit status 1603 (failed)"}},
    // Corvane Menu's failed removal is followed by an install that succeeds: it is installed.
    ExitCodeCase{.name = "OneBoxListsEveryFailedProgram", .ticked = {0, 1, 2, 3},
        .present = {kMenuMarker, kServerMarker},
        .replies = {{"/x ", "CVMenu.msi", {true, 1605}}, {"/x ", "CVPServ.msi", {true, 1603}},
                    {"/i ", "CVPServ.msi", {true, 1603}}, {"/i ", "CVExampl.msi", {false, 0}}},
        .msiCalls = {kRemoveMenu, kInstallMenu, kInstallWork, kRemoveServer, kInstallServer,
                     kInstallExamples},
        .report = "Failed; failed S 1603; failed E 0; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Personal Server: Message 1603.\n"
                          "Corvane Examples: the Windows Installer could not be started.",
                          "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    // A copy the Windows Installer does not know of (1605) cannot be removed, but it is
    // replaced: a program's outcome is that of its last step.
    ExitCodeCase{.name = "UnknownCopyIsReplaced", .ticked = {0}, .present = {kMenuMarker},
        .replies = {{"/x ", "CVMenu.msi", {true, 1605}}},
        .msiCalls = {kRemoveMenu, kInstallMenu}, .report = "Completed",
        .afterLastStep = kInstallCompleted},
    ExitCodeCase{.name = "TheInstallsCodeNotTheRemovals", .ticked = {0}, .present = {kMenuMarker},
        .replies = {{"/x ", "CVMenu.msi", {true, 1605}}, {"/i ", "CVMenu.msi", {true, 1603}}},
        .msiCalls = {kRemoveMenu, kInstallMenu}, .report = "Failed; failed M 1603; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Menu: Message 1603.", "EnableCmds(true)",
                          "RunDone(true)", kInstallFailed}},
    ExitCodeCase{.name = "UninstallFailureNamesRemoval", .install = false, .ticked = {1},
        .present = {kWorkMarker}, .replies = {{"/x ", "CVWork.msi", {true, 1603}}},
        .msiCalls = {kRemoveWork}, .report = "Failed; failed W 1603; exit 1603",
        .afterLastStep = {"ShowError: Error: The following programs could not be removed:\n"
                          "Corvane Workstation: Message 1603.", "EnableCmds(true)",
                          "RunDone(true)", "Sata: Status: Uninstallation Failed"}},
    ExitCodeCase{.name = "MsiexecNotStartedIsAFailure", .ticked = {0},
        .replies = {{"/i ", "CVMenu.msi", {false, 1603}}},
        .msiCalls = {kInstallMenu}, .report = "Failed; failed M 0; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Menu: the Windows Installer could not be "
                          "started.", "EnableCmds(true)", "RunDone(true)", kInstallFailed},
        .closing = {"Result: Corvane Menu: failed: the Windows Installer could not be started",
                    "Exit status 1603 (failed)"}},
    ExitCodeCase{.name = "UserCancelInMsiexecEndsTheRun", .ticked = {0, 1, 2},
        .replies = {{"/i ", "CVWork.msi", {true, 1602}}},
        .errorTexts = {{1602, "User cancelled installation."}},
        .msiCalls = {kInstallMenu, kInstallWork}, .report = "Cancelled; failed W 1602; exit 1602",
        .afterLastStep = {kCouldNotInstall + "Corvane Workstation: User cancelled installation.",
                          "EnableCmds(true)", "RunDone(true)", kInstallFailed},
        .closing = {"Outcome: Status: Installation Failed", "Result: Corvane Menu: installed (0)",
                    "Result: Corvane Workstation: cancelled (1602): User cancelled "
                    "installation.", "Result: Corvane Personal Server: not processed",
                    "Exit status 1602 (cancelled)"}},
    ExitCodeCase{.name = "UserCancelDuringRemovalSkipsTheInstallAndRegistration",
        .ticked = {2}, .present = {kServerMarker},
        .replies = {{"/x ", "CVPServ.msi", {true, 1602}}},
        .msiCalls = {kRemoveServer}, .report = "Cancelled; failed S 1602; exit 1602",
        .afterLastStep = {kCouldNotInstall + "Corvane Personal Server: Message 1602.",
                          "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    ExitCodeCase{.name = "UnattendedPackageFailureShowsNoBox", .unattended = true,
        .ticked = {0, 1},
        .replies = {{"/i ", "CVMenu.msi", {true, 1603}}, {"/i ", "CVWork.msi", {true, 1602}}},
        .msiCalls = {kInstallMenu, kInstallWork},
        .report = "Cancelled; failed M 1603; failed W 1602; exit 1602",
        .afterLastStep = {"EnableCmds(true)", "RunDone(true)", kInstallFailed},
        .closing = {"Outcome: Status: Installation Failed", "Result: Corvane Menu: failed "
                    "(1603): Message 1603.", "Result: Corvane Workstation: cancelled (1602): "
                    "Message 1602.", "Exit status 1602 (cancelled)"}},
    ExitCodeCase{.name = "RegistrationStartsEvenWhenServerInstallFailed", .unattended = true,
        .ticked = {2}, .replies = {{"/i ", "CVPServ.msi", {true, 1603}}},
        .msiCalls = {kInstallServer}, .report = "Failed; failed S 1603; exit 1603",
        .afterLastStep = {kRegister, "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    ExitCodeCase{.name = "ARestartStartedStopsTheRunAndNamesWhatWasNotProcessed",
        .ticked = {0, 1, 3}, .replies = {{"/i ", "CVMenu.msi", {true, 1641}}},
        .msiCalls = {kInstallMenu},
        .report = "Stopped; not processed W; not processed E; exit 1641",
        .afterLastStep = {"ShowError: Error: The Windows Installer is restarting the computer, so "
                          "these programs were not processed:\nCorvane Workstation\n"
                          "Corvane Examples", "EnableCmds(true)", "RunDone(true)",
                          "Sata: Status: Installation Stopped For A Restart; Not Processed: "
                          "Corvane Workstation, Corvane Examples"}},
    // A reinstall whose removal needs a restart still needs it after an install that needs none.
    ExitCodeCase{.name = "ARemovalsRestartOutlastsTheInstall", .unattended = true, .ticked = {0, 1},
        .present = {kMenuMarker}, .replies = {{"/x ", "CVMenu.msi", {true, 3010}}},
        .msiCalls = {kRemoveMenu, kInstallMenu, kInstallWork}, .report = "Completed; exit 3010",
        .afterLastStep = kInstallCompleted},
    ExitCodeCase{.name = "MsiexecsOwnSuccessAndRestartCodes", .ticked = {0, 1},
        .replies = {{"/i ", "CVMenu.msi", {true, 1707}}, {"/i ", "CVWork.msi", {true, 3011}}},
        .msiCalls = {kInstallMenu, kInstallWork}, .report = "Completed; exit 3010",
        .afterLastStep = kInstallCompleted},
    ExitCodeCase{.name = "TheSystemsCodeForAStartThatFailedIsKept", .ticked = {0},
        .replies = {{"/i ", "CVMenu.msi", MsiResultOf(false, false, std::nullopt, 2)}},
        .msiCalls = {kInstallMenu}, .report = "Failed; failed M 0; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Menu: the Windows Installer could not be "
                          "started (error 2).", "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    // msiexec may still hold the Windows Installer: nothing more is started.
    ExitCodeCase{.name = "AFailedWaitStartsNoFurtherMsiexec", .ticked = {0, 1, 3},
        .present = {kWorkMarker},
        .replies = {{"/i ", "CVMenu.msi", MsiResultOf(true, false, std::nullopt)}},
        .msiCalls = {kInstallMenu},
        .report = "Stopped; failed M 0; not processed W; not processed E; exit 1603",
        .afterLastStep = {kCouldNotInstall + "Corvane Menu: the Windows Installer could not be "
                          "waited for.\n\nThe Windows Installer could not be waited for and may "
                          "still be running, so these programs were not processed:\nCorvane "
                          "Workstation\nCorvane Examples", "EnableCmds(true)", "RunDone(true)",
                          "Sata: Status: Installation Stopped, Windows Installer Not Followed; Not "
                          "Processed: Corvane Workstation, Corvane Examples"}},
    ExitCodeCase{.name = "AFailedWaitDuringARemoval", .unattended = true, .ticked = {2},
        .present = {kServerMarker},
        .replies = {{"/x ", "CVPServ.msi", MsiResultOf(true, false, std::nullopt)}},
        .msiCalls = {kRemoveServer}, .report = "Stopped; failed S 0; not processed S; exit 1603",
        .afterLastStep = {"EnableCmds(true)", "RunDone(true)", "Sata: Status: Installation "
                          "Stopped, Windows Installer Not Followed; Not Processed: Corvane "
                          "Personal Server"}},
    // The program stays uninstalled and unregistered.
    ExitCodeCase{.name = "ARestartDuringARemoval", .unattended = true, .ticked = {2},
        .present = {kServerMarker}, .replies = {{"/x ", "CVPServ.msi", {true, 1641}}},
        .msiCalls = {kRemoveServer}, .report = "Stopped; not processed S; exit 1641",
        .afterLastStep = {"EnableCmds(true)", "RunDone(true)", "Sata: Status: Installation "
                          "Stopped For A Restart; Not Processed: Corvane Personal Server"},
        .closing = {"Outcome: Status: Installation Stopped For A Restart; Not Processed: "
                    "Corvane Personal Server", "Result: Corvane Personal Server: not processed",
                    "Exit status 1641 (success so far, the Windows Installer is restarting the "
                    "machine)"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// --- unexpected failures of the window or the system -----------------------------------------

struct ThrowCase {
    const char* name{};
    bool install = true;
    bool unattended = false;
    std::vector<int> ticked{};
    std::string programFiles = R"(C:\Program Files)";
    std::vector<Reply> replies{};
    std::string throwAt{};  // the journal entry whose call throws
    bool nonStandard = false;
    // What the run does and reports; nothing escapes it.
    std::string report{};
    std::vector<std::string> msiCalls{};
    std::vector<std::string> boxes{};
    std::vector<std::string> tail{};  // the last journal entries
    bool tailIsAll = false;           // nothing came before them
};

class ThrowingCallTest : public InstallRunTest, public ::testing::WithParamInterface<ThrowCase> {};

TEST_P(ThrowingCallTest, EndsTheRunThroughItsFailurePath) {
    const ThrowCase& row = GetParam();
    options.Unattended = row.unattended;
    system.programFiles = row.programFiles;
    Tick(row.ticked);
    for (const Reply& reply : row.replies) system.Answer(reply.verb, reply.package, reply.result);
    journal.throwAt = row.throwAt;
    journal.throwNonStandard = row.nonStandard;

    RunReport report;
    EXPECT_NO_THROW(report = row.install ? Install() : Uninstall());
    EXPECT_EQ(Summary(report), row.report);
    EXPECT_THAT(MsiCalls(), ElementsAreArray(row.msiCalls));
    EXPECT_THAT(Boxes(), ElementsAreArray(row.boxes));
    EXPECT_THAT(journal.Tail(row.tail.size()), ElementsAreArray(row.tail));
    if (row.tailIsAll) {
        EXPECT_EQ(journal.entries.size(), row.tail.size());
    }
}

const std::string kCatastrophe = "ShowError: Error: Catastrophic failure";
const std::string kNoProgramFiles = "ShowError: Error: Invalid Program Files Directory!";

// One row in a few lines, the fields in the struct's order.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Calls, ThrowingCallTest, ::testing::Values(
    ThrowCase{.name = "StatusLineBetweenPrograms", .ticked = {0, 1, 2},
        .throwAt = "Sata: Status: Installing Corvane Workstation...",
        .report = "Failed; Catastrophic failure; exit 1603", .msiCalls = {kInstallMenu},
        .boxes = {"Error: Catastrophic failure"},
        .tail = {"Sata: Status: Installing Corvane Workstation...", kCatastrophe,
                 "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    ThrowCase{.name = "Confirmation", .install = false, .ticked = {0},
        .throwAt = "ConfirmRemoval", .report = "Failed; Catastrophic failure; exit 1603",
        .boxes = {"Error: Catastrophic failure"},
        .tail = {"ConfirmRemoval", kCatastrophe, "EnableCmds(true)", "RunDone(true)",
                 "Sata: Status: Uninstallation Failed"},
        .tailIsAll = true},
    ThrowCase{.name = "MsiexecEvenUnattended", .unattended = true, .ticked = {0, 1},
        .throwAt = "RunMsiExec: " + kInstallMenu, .report = "Failed; Catastrophic failure; exit 1603",
        .msiCalls = {kInstallMenu}, .boxes = {"Error: Catastrophic failure"},
        .tail = {"RunMsiExec: " + kInstallMenu, kCatastrophe, "EnableCmds(true)",
                 "RunDone(true)", kInstallFailed}},
    ThrowCase{.name = "NonStandardExceptionGetsAGenericDescription", .ticked = {0},
        .throwAt = "EnableCmds(false)", .nonStandard = true,
        .report = "Failed; An unexpected error has occurred.; exit 1603",
        .boxes = {"Error: An unexpected error has occurred."},
        .tail = {"EnableCmds(false)", "ShowError: Error: An unexpected error has occurred.",
                 "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    ThrowCase{.name = "SecondFailureInTheFailurePath", .ticked = {0}, .programFiles = "",
        .throwAt = "EnableCmds(true)", .report = "Failed; Invalid Program Files Directory!; exit 1603",
        .boxes = {"Error: Invalid Program Files Directory!"},
        .tail = {kNoProgramFiles, "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    ThrowCase{.name = "TheErrorBox", .ticked = {0}, .programFiles = "",
        .throwAt = kNoProgramFiles, .report = "Failed; Invalid Program Files Directory!; exit 1603",
        .boxes = {"Error: Invalid Program Files Directory!"},
        .tail = {kNoProgramFiles, "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    // One box: the run's own failure, not the package's as well.
    ThrowCase{.name = "AfterAPackageFailure", .ticked = {0, 1},
        .replies = {{"/i ", "CVMenu.msi", {true, 1603}}},
        .throwAt = "Sata: Status: Installing Corvane Workstation...",
        .report = "Failed; failed M 1603; Catastrophic failure; exit 1603", .msiCalls = {kInstallMenu},
        .boxes = {"Error: Catastrophic failure"},
        .tail = {kCatastrophe, "EnableCmds(true)", "RunDone(true)", kInstallFailed}},
    // Failures after the last program, or of steps that decide nothing, are ignored.
    ThrowCase{.name = "AfterTheLastProgram", .ticked = {0}, .throwAt = "FocusExit",
        .report = "Completed", .msiCalls = {kInstallMenu}, .tail = kInstallCompleted},
    ThrowCase{.name = "ServerRegistration", .ticked = {2, 3}, .throwAt = kRegister,
        .report = "Completed", .msiCalls = {kInstallServer, kInstallExamples},
        .tail = kInstallCompleted}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// --- msiexec's command line -------------------------------------------------------------------

TEST_F(InstallRunTest, ACommandLineTooLongForWindowsIsRefusedBeforeAnythingStarts) {
    options.Unattended = true;
    options.InstallerParams = std::string(200, 'X');
    system.longestArguments = 199;
    Tick({0, 1});
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Refused, report.outcome);
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_THAT(system.searched, IsEmpty());
    EXPECT_THAT(Boxes(), ElementsAre("Error: The Windows Installer's command line would be longer "
                                     "than the 32767 characters Windows allows. Shorten the /MSI= "
                                     "parameters or the installer's folder."));
    EXPECT_EQ("Status: Installation Failed", StatusTexts().back());
}

struct MsiLogCase {
    std::string installerParams;
    std::string removal;  // msiexec's whole arguments for each step
    std::string install;
    bool nobodySees = false;
    std::string stepLogProblem{};  // what the machine says of both step logs
};

class MsiLogOption : public InstallRunTest, public ::testing::WithParamInterface<MsiLogCase> {};

TEST_P(MsiLogOption, FollowsTheParametersUnlessTheyAskForALogOfTheirOwn) {
    options.LogPath = R"(C:\Logs\deploy.txt)";
    options.InstallerParams = GetParam().installerParams;
    options.NobodySees = GetParam().nobodySees;
    for (const char* step : {"uninstall", "install"}) {
        const std::string path = std::string(R"(C:\Logs\deploy_CVMenu_)") + step + ".log";
        if (!GetParam().stepLogProblem.empty()) system.stepLogProblems[path] = "names a device";
    }
    Tick({0});
    Present(kMenuMarker);
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(GetParam().removal, GetParam().install));
    if (!GetParam().stepLogProblem.empty()) {
        EXPECT_THAT(log.lines, Contains(R"(The step log "C:\Logs\deploy_CVMenu_install.log" is )"
                                        "not handed to msiexec: names a device"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsiLogOption,
    ::testing::Values(
        MsiLogCase{"",
                   R"(/x "D:\Setup\CVMenu.msi" /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1 /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_uninstall.log")",
                   R"(/i "D:\Setup\CVMenu.msi" /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1 /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_install.log")"},
        MsiLogCase{"/qn",
                   R"(/x "D:\Setup\CVMenu.msi" /qn /L*v+ "C:\Logs\deploy_CVMenu_uninstall.log")",
                   R"(/i "D:\Setup\CVMenu.msi" /qn /L*v+ "C:\Logs\deploy_CVMenu_install.log")"},
        // "/l" inside a value is no log option.
        MsiLogCase{R"(/qn TARGET=C:\/lib)",
                   R"(/x "D:\Setup\CVMenu.msi" /qn TARGET=C:\/lib /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_uninstall.log")",
                   R"(/i "D:\Setup\CVMenu.msi" /qn TARGET=C:\/lib /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_install.log")"},
        MsiLogCase{R"(/qn /l*v C:\own.log)", R"(/x "D:\Setup\CVMenu.msi" /qn /l*v C:\own.log)",
                   R"(/i "D:\Setup\CVMenu.msi" /qn /l*v C:\own.log)"},
        MsiLogCase{R"(/LOG C:\own.log)", R"(/x "D:\Setup\CVMenu.msi" /LOG C:\own.log)",
                   R"(/i "D:\Setup\CVMenu.msi" /LOG C:\own.log)"},
        MsiLogCase{R"(-Lv C:\own.log /qn)", R"(/x "D:\Setup\CVMenu.msi" -Lv C:\own.log /qn)",
                   R"(/i "D:\Setup\CVMenu.msi" -Lv C:\own.log /qn)"},
        // Where no one can see a window the defaults ask for no user interface.
        MsiLogCase{"",
                   R"(/x "D:\Setup\CVMenu.msi" /qn ALLUSERS=2 DISABLEADVTSHORTCUTS=1 /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_uninstall.log")",
                   R"(/i "D:\Setup\CVMenu.msi" /qn ALLUSERS=2 DISABLEADVTSHORTCUTS=1 /L*v+ )"
                   R"("C:\Logs\deploy_CVMenu_install.log")",
                   true},
        // A step log msiexec could not open would fail the step: it is left out.
        MsiLogCase{"/qb", R"(/x "D:\Setup\CVMenu.msi" /qb)", R"(/i "D:\Setup\CVMenu.msi" /qb)",
                   false, "names a device"}));

TEST_F(InstallRunTest, TheStepLogIsHeldWhileMsiexecRunsAndLetGoAfterwards) {
    options.LogPath = R"(C:\Logs\deploy.txt)";
    Tick({0});
    Install();
    const std::vector<std::string> steps = journal.Matching("");
    const auto hold =
        std::find(steps.begin(), steps.end(), "HoldStepLog: C:\\Logs\\deploy_CVMenu_install.log");
    ASSERT_NE(hold, steps.end());
    ASSERT_LT(hold + 2, steps.end());
    EXPECT_THAT(hold[1], StartsWith("RunMsiExec: /i "));
    EXPECT_EQ(hold[2], "ReleaseStepLog");
}

struct StepLogSecretCase {
    std::string installerParams;
    std::map<std::string, std::vector<std::string>, std::less<>> hidden;  // by package
    std::vector<std::string> maskHidden;  // what the run log hides beside the names that say so
    std::string secret;                   // what keeps the step log away; "" none
};

class StepLogSecret : public InstallRunTest,
                      public ::testing::WithParamInterface<StepLogSecretCase> {};

TEST_P(StepLogSecret, NoStepLogIsAskedForWhenMsiexecWouldWriteASecretInClear) {
    const StepLogSecretCase& row = GetParam();
    options.LogPath = R"(C:\Logs\deploy.txt)";
    options.InstallerParams = row.installerParams;
    options.HiddenByPackage = row.hidden;
    options.Secrets.AddHidden(row.maskHidden);
    EXPECT_EQ(SecretInClear(row.installerParams, options.Secrets,
                            row.hidden.count("CVMenu.msi") ? row.hidden.at("CVMenu.msi")
                                                           : std::vector<std::string>{}),
              row.secret);
    Tick({0});
    Install();
    const std::vector<std::string> calls = MsiCalls();
    ASSERT_EQ(calls.size(), 1u);
    if (row.secret.empty()) {
        EXPECT_THAT(calls[0], testing::HasSubstr("/L*v+"));
        EXPECT_THAT(log.lines, Not(Contains(StartsWith("No step log"))));
    } else {
        EXPECT_THAT(calls[0], Not(testing::HasSubstr("/L*v+")));
        EXPECT_THAT(journal.Matching("HoldStepLog"), IsEmpty());
        EXPECT_THAT(log.lines, Contains("No step log is asked of msiexec for CVMenu.msi: the "
                                        "parameters set " +
                                        row.secret + ", which the package does not hide from it"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StepLogSecret,
    ::testing::Values(
        StepLogSecretCase{"/qn ALLUSERS=2", {}, {}, ""},
        StepLogSecretCase{"/qn DBPASSWORD=s3cret", {}, {}, "DBPASSWORD"},
        StepLogSecretCase{"/qn DBPASSWORD=s3cret", {{"CVMenu.msi", {"DBPASSWORD"}}}, {}, ""},
        // Another package hiding it does not keep it out of this package's log.
        StepLogSecretCase{
            "/qn DBPASSWORD=s3cret", {{"CVWork.msi", {"DBPASSWORD"}}}, {}, "DBPASSWORD"},
        // msiexec compares property names with case.
        StepLogSecretCase{
            "/qn dbpassword=s3cret", {{"CVMenu.msi", {"DBPASSWORD"}}}, {}, "dbpassword"},
        StepLogSecretCase{"/qn DB.PASSWORD = s3cret", {}, {}, "DB.PASSWORD"},
        StepLogSecretCase{"/qn X=(PIDKEY=1", {}, {}, "PIDKEY"},
        StepLogSecretCase{"/qn A=1,TOKEN=t", {}, {}, "TOKEN"},
        // A name only a package lists as hidden.
        StepLogSecretCase{"/qn CVWORKKEY=K-1", {}, {"CVWORKKEY"}, "CVWORKKEY"},
        StepLogSecretCase{"/qn CVWORKKEY=K-1", {{"CVMenu.msi", {"CVWORKKEY"}}}, {"CVWORKKEY"}, ""},
        // An '=' inside a value is weighed too: the safe side.
        StepLogSecretCase{R"(/qn NOTE="set SECRET=x")", {}, {}, "SECRET"}));

TEST(AsksNoUserInterface, OnlyForTheQuietLevels) {
    for (const char* quiet : {"/qn", "/q", "/QUIET", "-qn ALLUSERS=2", "A=1 /Qn"}) {
        EXPECT_TRUE(AsksNoUserInterface(quiet)) << quiet;
    }
    for (const char* shown : {"", "/qb", "/qn+", "/qb!", "/passive", "QN=1", "/qr"}) {
        EXPECT_FALSE(AsksNoUserInterface(shown)) << shown;
    }
}

// Only a process seen to end that told its exit code succeeded or failed by that code.
TEST(MsiResultOf, AFailedWaitOrAnUnreadCodeIsNoExitCode) {
    EXPECT_EQ(MsiResult().problem, "could not be started");  // never an empty reason
    EXPECT_EQ(MsiResult(false, 0).problem, "could not be started");
    EXPECT_TRUE(MsiResultOf(true, false, std::nullopt).mayStillRun);
    EXPECT_FALSE(MsiResultOf(true, true, std::nullopt).mayStillRun);
    EXPECT_FALSE(MsiResultOf(false, false, std::nullopt).started);
    EXPECT_FALSE(MsiResultOf(true, false, std::nullopt).started);
    EXPECT_FALSE(MsiResultOf(true, true, std::nullopt).started);
    EXPECT_EQ(MsiResultOf(true, true, std::nullopt).problem,
              "ended without an exit code that could be read");
    const MsiResult ended = MsiResultOf(true, true, 0);
    EXPECT_TRUE(ended.started);
    EXPECT_EQ(ended.exitCode, 0u);
}

TEST_F(InstallRunTest, ACancelNamesInTheLogWhatItLeft) {
    options.Unattended = true;
    Tick({0, 1, 3});
    system.Answer("/i ", "CVWork.msi", {true, 1602});
    const RunReport report = Install();
    EXPECT_EQ(Summary(report), "Cancelled; failed W 1602; exit 1602");
    EXPECT_THAT(log.lines, Contains("The run was cancelled before: Corvane Examples"));
}

TEST(MsiLogPath, IsBesideTheRunLogNamedAfterPackageAndStep) {
    EXPECT_EQ(MsiLogPath(R"(C:\Logs\run.log)", "CVMenu.msi", true),
              R"(C:\Logs\run_CVMenu_install.log)");
    EXPECT_EQ(MsiLogPath(R"(C:\Logs\run)", "CVExampl.msi", false),
              R"(C:\Logs\run_CVExampl_uninstall.log)");
    EXPECT_EQ(MsiLogPath(R"(C:\My.Logs\run)", "CVWork.msi", true),
              R"(C:\My.Logs\run_CVWork_install.log)");
}

// --- another installation holds the Windows Installer -----------------------------------------

TEST_F(InstallRunTest, AnUnattendedRunWaitsInOnePieceShowingWhichProgramWaits) {
    options.Unattended = true;
    system.installerBusyUntil = 5000;
    Tick({0, 1});
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    const auto wait =
        std::find(journal.entries.begin(), journal.entries.end(), "WaitForInstaller: 600000");
    ASSERT_NE(wait, journal.entries.end());
    EXPECT_EQ(*(wait - 1),
              "Sata: Status: Installing Corvane Menu: Waiting For Another "
              "Installation To Finish...");
    EXPECT_EQ(*(wait + 1), "Sata: Status: Installing Corvane Menu...");
    EXPECT_EQ(*(wait + 2), "RunMsiExec: " + kInstallMenu);
    EXPECT_EQ(1, std::count_if(journal.entries.begin(), journal.entries.end(),
                               [](const std::string& e) { return e.find("Waiting") != e.npos; }));
    EXPECT_THAT(journal.entries, Not(Contains(StartsWith("OfferCancel"))));
}

TEST(TimeLeft, CountsWholeSecondsRoundedUp) {
    const std::pair<uint64_t, const char*> rows[] = {
        {0, "0:00"},          {1, "0:01"},          {1000, "0:01"},        {1001, "0:02"},
        {59999, "1:00"},      {598001, "9:59"},     {600000, "10:00"},     {3599000, "59:59"},
        {3599001, "1:00:00"}, {3661000, "1:01:01"}, {36000000, "10:00:00"}};
    for (const auto& [ms, text] : rows) EXPECT_EQ(TimeLeft(ms), text) << ms;
}

// --- a person watches the wait ----------------------------------------------------------------

const std::string kMenuWaits =
    "Sata: Status: Installing Corvane Menu: Waiting For Another Installation To Finish (";

struct AttendedWaitCase {
    const char* name{};
    bool install = true;
    unsigned long waitSeconds = 600;
    std::vector<int> ticked{};
    std::vector<std::string> present{};
    uint64_t busyUntil = 0;
    uint64_t msiexecTakesMs = 0;
    std::vector<Reply> replies{};
    std::string cancelOnStatus{};
    // What the run does and reports.
    std::vector<std::string> journal{};  // the journal from its first entry on
    std::string report{};
    uint64_t endsAtMs = 0;  // the fake clock when the run is over
    std::vector<std::string> logged{};
};

class AttendedWaitTest : public InstallRunTest,
                         public ::testing::WithParamInterface<AttendedWaitCase> {};

TEST_P(AttendedWaitTest, CountsDownAndEndsAtOnceOnCancel) {
    const AttendedWaitCase& row = GetParam();
    options.WaitSeconds = row.waitSeconds;
    Tick(row.ticked);
    for (const std::string& marker : row.present) Present(marker);
    system.installerBusyUntil = row.busyUntil;
    system.msiexecTakesMs = row.msiexecTakesMs;
    for (const Reply& reply : row.replies) system.Answer(reply.verb, reply.package, reply.result);
    window.cancelOnStatus = row.cancelOnStatus;

    const RunReport report = row.install ? Install() : Uninstall();
    const auto& entries = journal.entries;
    const auto first = std::find(entries.begin(), entries.end(), row.journal.front());
    ASSERT_NE(first, entries.end()) << row.journal.front();
    EXPECT_THAT(std::vector<std::string>(first, entries.end()), ElementsAreArray(row.journal));
    EXPECT_EQ(Summary(report), row.report);
    EXPECT_EQ(system.now, row.endsAtMs);
    for (const std::string& line : row.logged) EXPECT_THAT(log.lines, Contains(line));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Waits, AttendedWaitTest, ::testing::Values(
    AttendedWaitCase{.name = "CountsDownEachSecondUntilTheInstallerIsFree", .ticked = {0},
        .busyUntil = 2500,
        .journal = {"OfferCancel(true)", kMenuWaits + "10:00 left)...", "WaitForInstaller: 1000",
                    kMenuWaits + "9:59 left)...", "WaitForInstaller: 1000",
                    kMenuWaits + "9:58 left)...", "WaitForInstaller: 1000", "OfferCancel(false)",
                    "Sata: Status: Installing Corvane Menu...", "RunMsiExec: " + kInstallMenu,
                    "EnableCmds(true)", "FocusExit", "Sata: Status: Installation Completed",
                    "RunDone(true)"},
        .report = "Completed", .endsAtMs = 2500,
        .logged = {"The Windows Installer became free after 2.5 s"}},
    // Nothing is asked, and the programs left are named; the wait ends without time passing.
    AttendedWaitCase{.name = "CancelEndsTheWaitAtOnceAndNamesWhatWasLeft", .ticked = {1, 2, 3},
        .busyUntil = 60000, .cancelOnStatus = "(9:58 left)",
        .journal = {"Sata: Status: Installing Corvane Workstation: Waiting For "
                    "Another Installation To Finish (9:58 left)...", "WaitForInstaller: stopped", "OfferCancel(false)",
                    "EnableCmds(true)", "RunDone(true)", "Sata: Status: Installation Cancelled; "
                    "Not Processed: Corvane Workstation, Corvane Personal Server, Corvane "
                    "Examples", "FocusExit"},
        .report = "Cancelled; not processed W; not processed S; not processed E; exit 1602",
        .endsAtMs = 2000,
        .logged = {"The wait was cancelled after 2.0 s", "The run was cancelled before: Corvane "
                   "Workstation, Corvane Personal Server, Corvane Examples"}},
    // msiexec lost the race: the pause before it runs again is counted and can be cancelled too.
    AttendedWaitCase{.name = "CancelDuringThePauseBeforeMsiexecRunsAgain", .install = false,
        .ticked = {0, 1}, .present = {kMenuMarker, kWorkMarker}, .msiexecTakesMs = 500,
        .replies = {{"/x ", "CVWork.msi", {true, 1618}}}, .cancelOnStatus = "(9:59 left)",
        .journal = {"RunMsiExec: " + kRemoveWork,
                    "OfferCancel(true)", "Sata: Status: Uninstalling Corvane Workstation: Waiting "
                    "For Another Installation To Finish (10:00 left)...", "Pause: 500",
                    "Sata: Status: Uninstalling Corvane Workstation: Waiting For Another "
                    "Installation To Finish (9:59 left)...", "Pause: stopped",
                    "OfferCancel(false)", "EnableCmds(true)", "RunDone(true)",
                    "Sata: Status: Uninstallation Cancelled; Not Processed: Corvane Workstation", "FocusExit"},
        .report = "Cancelled; not processed W; exit 1602", .endsAtMs = 1500,
        .logged = {"The wait was cancelled after 0.5 s", "Result: Corvane Menu: removed (0)",
                   "Result: Corvane Workstation: not processed"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(InstallRunTest, AnInstallationThatOutlastsTheWaitEndsTheRunWithTheRestUnprocessed) {
    options.WaitSeconds = 30;
    system.installerBusyUntil = 60000;
    Tick({1, 2});
    const RunReport report = Install();
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_EQ(30,
              std::count(journal.entries.begin(), journal.entries.end(), "WaitForInstaller: 1000"));
    EXPECT_EQ(Summary(report), "Stopped; not processed W; not processed S; exit 1618");
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
    EXPECT_THAT(Boxes(), ElementsAre("Error: Another installation kept the Windows Installer busy, "
                                     "so these programs were not processed:\nCorvane Workstation\n"
                                     "Corvane Personal Server"));
    EXPECT_EQ(
        "Status: Installation Stopped, Windows Installer Busy; Not Processed: Corvane "
        "Workstation, Corvane Personal Server",
        StatusTexts().back());
}

// msiexec answering 1618 (it lost the race for the Windows Installer), run again after pauses.
struct RetryCase {
    const char* name{};
    unsigned long waitSeconds{};
    uint64_t busyUntil = 0;  // another installation holds the Windows Installer until then
    uint64_t msiexecTakesMs = 0;
    int busyAnswers = -1;  // how many times msiexec answers 1618; -1: every time
    // What the run does.
    std::vector<std::string> pauses{};
    size_t msiexecRuns{};
    std::string report{};
    std::string logLine{};  // a line the log must hold
};

class RetryTest : public InstallRunTest, public ::testing::WithParamInterface<RetryCase> {};

TEST_P(RetryTest, PausesGrowUpToTheirLongestWithinTheWait) {
    const RetryCase& row = GetParam();
    options.Unattended = true;
    options.WaitSeconds = row.waitSeconds;
    system.installerBusyUntil = row.busyUntil;
    system.msiexecTakesMs = row.msiexecTakesMs;
    system.Answer("/i ", "CVMenu.msi", {true, 1618}, row.busyAnswers);
    Tick({0});
    EXPECT_EQ(Summary(Install()), row.report);
    EXPECT_THAT(journal.Matching("Pause: "), ElementsAreArray(row.pauses));
    EXPECT_EQ(MsiCalls().size(), row.msiexecRuns);
    if (!row.logLine.empty()) {
        EXPECT_THAT(log.lines, Contains(row.logLine));
    }
}

// One row in a few lines, the fields in the struct's order.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, RetryTest, ::testing::Values(
    RetryCase{.name = "UntilMsiexecGetsItsTurn", .waitSeconds = 600, .busyAnswers = 3,
        .pauses = {"1000", "2000", "4000"}, .msiexecRuns = 4, .report = "Completed"},
    RetryCase{.name = "TheLastPauseEndsAtTheWaitsEnd", .waitSeconds = 20, .msiexecTakesMs = 500,
        .pauses = {"1000", "2000", "4000", "8000", "2500"}, .msiexecRuns = 6,
        .report = "Stopped; not processed M; exit 1618"},
    RetryCase{.name = "NoPauseIsLongerThan15Seconds", .waitSeconds = 60,
        .pauses = {"1000", "2000", "4000", "8000", "15000", "15000", "15000"}, .msiexecRuns = 8,
        .report = "Stopped; not processed M; exit 1618"},
    // msiexec's answer comes exactly as the wait ends: no pause of nothing, no further run.
    RetryCase{.name = "AnAnswerAtTheWaitsEndIsTheLast", .waitSeconds = 3, .msiexecTakesMs = 1000,
        .pauses = {"1000"}, .msiexecRuns = 2, .report = "Stopped; not processed M; exit 1618",
        .logLine = "Another installation is in progress and the wait is over"},
    RetryCase{.name = "WaitZeroDoesNotWait", .waitSeconds = 0, .busyUntil = 1, .busyAnswers = 0,
        .report = "Stopped; not processed M; exit 1618",
        .logLine = "The Windows Installer is busy with another installation; not waiting"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

// --- the run log ------------------------------------------------------------------------------

TEST_F(InstallRunTest, TheLogTellsEveryDecisionAndEveryMsiexec) {
    options.Unattended = true;
    system.installerBusyUntil = 1500;
    system.msiexecTakesMs = 2500;
    system.errorTexts[3010] = "A restart is required.";
    Tick({0, 2, 3});
    Present(kServerMarker);
    system.Answer("/i ", "CVPServ.msi", {true, 3010});
    Install();
    EXPECT_THAT(
        log.lines,
        ElementsAre(
            "Install run", R"(Program Files folder: "C:\Program Files")",
            "Corvane Menu: not installed, installing it",
            "The Windows Installer is busy with another installation: waiting up to 600.0 s",
            "The Windows Installer became free after 1.5 s", "msiexec " + kInstallMenu,
            "msiexec ended with 0 after 2.5 s: Message 0.",
            "Corvane Personal Server: installed, removing it and installing it again",
            "msiexec " + kRemoveServer, "msiexec ended with 0 after 2.5 s: Message 0.",
            "msiexec " + kInstallServer,
            "msiexec ended with 3010 after 2.5 s: A restart is required.",
            "Corvane Personal Server: the machine must be restarted to finish (3010)",
            R"(Server registration started: "C:\Program Files\Corvane Personal Server\CVPServ.exe" /REGISTERCOM)",
            "Corvane Examples: not installed, installing it", "msiexec " + kInstallExamples,
            "msiexec ended with 0 after 2.5 s: Message 0.",
            "Outcome: Status: Installation Completed", "Result: Corvane Menu: installed (0)",
            "Result: Corvane Personal Server: installed (3010)",
            "Result: Corvane Examples: installed (0)",
            "Exit status 3010 (success, a restart is needed to finish)"));
}

TEST_F(InstallRunTest, TheLogTellsTheAnswerToTheAgreementAndTheRunsOwnFailure) {
    window.acceptInstall = false;
    Tick({0});
    Install();
    window.acceptInstall = true;
    system.programFiles = "";
    Install();
    EXPECT_THAT(log.lines,
                ElementsAre("Licence agreement declined", "Outcome: declined, nothing was changed",
                            "Exit status 1602 (cancelled)", "Licence agreement accepted",
                            "Install run", R"(Program Files folder: "")",
                            "The run failed: Invalid Program Files Directory!",
                            "Outcome: Status: Installation Failed", "Exit status 1603 (failed)"));
}

}  // namespace
}  // namespace cvinst
