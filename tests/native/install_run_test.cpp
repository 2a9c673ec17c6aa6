#include "engine/install_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "fake_run_system.h"

namespace cvinst {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kDefaults = " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1";

// One log for window and system, so that the order across both is visible.
struct Journal {
    void Record(const std::string& entry) {
        entries.push_back(entry);
        if (entry == throwAt) {
            if (throwNonStandard) {
                throw 42;
            }
            throw std::runtime_error("Catastrophic failure");
        }
    }

    std::vector<std::string> entries;
    std::string throwAt;  // the entry whose call throws
    bool throwNonStandard = false;
};

class FakeWindow : public RunWindow {
public:
    explicit FakeWindow(Journal& journal) : journal_(journal) {}

    bool ConfirmInstall() override {
        journal_.Record("ConfirmInstall");
        return acceptInstall;
    }
    bool ConfirmRemoval() override {
        journal_.Record("ConfirmRemoval");
        return acceptRemoval;
    }
    void EnableCmds(bool enabled) override {
        journal_.Record(enabled ? "EnableCmds(true)" : "EnableCmds(false)");
    }
    void Sata(std::string_view text) override { journal_.Record("Sata: " + std::string(text)); }
    int ProgramCheck(int index) override { return checks.at(index); }
    void FocusExit() override { journal_.Record("FocusExit"); }
    void SetRunDone(bool done) override {
        journal_.Record(done ? "RunDone(true)" : "RunDone(false)");
    }
    void ShowError(std::string_view text) override {
        journal_.Record("ShowError: " + std::string(text));
    }

    bool acceptInstall = true;
    bool acceptRemoval = true;
    std::array<int, 4> checks{};

private:
    Journal& journal_;
};

class InstallRunTest : public ::testing::Test {
protected:
    InstallRunTest() {
        system.record = [this](const std::string& entry) { journal.Record(entry); };
    }
    RunReport Install() { return InstallCW(true, options, window, system, log); }
    RunReport Uninstall() { return InstallCW(false, options, window, system, log); }

    void Tick(std::initializer_list<int> indexes) {
        for (int index : indexes) {
            window.checks.at(index) = 1;
        }
    }
    void Present(const std::string& relativeMarker) {
        system.AddFile(R"(C:\Program Files\)" + relativeMarker);
    }

    std::vector<std::string> MsiCalls() const { return Matching("RunMsiExec: "); }
    std::vector<std::string> StatusTexts() const { return Matching("Sata: "); }
    std::vector<std::string> Tail(std::size_t count) const {
        const auto& log = journal.entries;
        return {log.end() - static_cast<std::ptrdiff_t>(std::min(count, log.size())), log.end()};
    }
    std::vector<std::string> Matching(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& entry : journal.entries) {
            if (entry.rfind(prefix, 0) == 0) {
                found.push_back(entry.substr(prefix.size()));
            }
        }
        return found;
    }

    Journal journal;
    FakeWindow window{journal};
    testkit::FakeRunSystem system;
    testkit::RecordingLog log;
    RunOptions options;
};

const std::string kMenuMarker = R"(Corvane Menu\CVMenu.exe)";
const std::string kServerMarker = R"(Corvane Personal Server\CVPServ.exe)";
const std::string kRegister =
    R"(StartProcess: C:\Program Files\Corvane Personal Server\CVPServ.exe| /REGISTERCOM)";

// --- the whole run, call by call -------------------------------------------------------------

TEST_F(InstallRunTest, InstallOfAbsentProgramRunsStepsInOrder) {
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmInstall", "EnableCmds(false)", "Sata: Status: Installing Corvane...",
                    R"(SetCurrentFolder: D:\Setup)", "Sata: Status: Installing Corvane Menu...",
                    R"(RunMsiExec: /i "D:\Setup\CVMenu.msi")" + kDefaults, "EnableCmds(true)",
                    "FocusExit", "Sata: Status: Installation Completed", "RunDone(true)"));
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_THAT(report.failures, IsEmpty());
    EXPECT_FALSE(report.restartRequired);
    EXPECT_FALSE(report.restartStarted);
}

TEST_F(InstallRunTest, UninstallOfPresentProgramRunsStepsInOrder) {
    Tick({1});
    Present(R"(Corvane Workstation\CVWork.exe)");
    const RunReport report = Uninstall();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmRemoval", "EnableCmds(false)", "Sata: Status: Uninstalling Corvane...",
                    R"(SetCurrentFolder: D:\Setup)",
                    "Sata: Status: Uninstalling Corvane Workstation...",
                    R"(RunMsiExec: /x "D:\Setup\CVWork.msi")" + kDefaults, "EnableCmds(true)",
                    "FocusExit", "Sata: Status: Uninstallation Completed", "RunDone(true)"));
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
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "D:\Setup\CVMenu.msi")" + kDefaults,
                                        R"(/i "D:\Setup\CVWork.msi")" + kDefaults,
                                        R"(/i "D:\Setup\CVPServ.msi")" + kDefaults,
                                        R"(/i "D:\Setup\CVExampl.msi")" + kDefaults));
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
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "D:\Setup\CVMenu.msi")" + GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Override, InstallerParamsTest,
                         ::testing::Values(ParamsCase{"", " /qb ALLUSERS=2 DISABLEADVTSHORTCUTS=1"},
                                           ParamsCase{"/QN", " /QN"}, ParamsCase{" /QN", " /QN"},
                                           ParamsCase{"  /QB- REBOOT=R", "  /QB- REBOOT=R"},
                                           ParamsCase{"ALLUSERS=1 /QN", " ALLUSERS=1 /QN"}));

TEST_F(InstallRunTest, InstallerFolderWithBlanksStaysOneArgument) {
    system.installerFolder = R"(C:\My Setup Files)";
    Tick({2});
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "C:\My Setup Files\CVPServ.msi")" + kDefaults));
    EXPECT_THAT(journal.entries, Contains(R"(SetCurrentFolder: C:\My Setup Files)"));
}

TEST_F(InstallRunTest, InstallerInDriveRootGetsNoDoubleBackslash) {
    system.installerFolder = R"(E:\)";
    Tick({3});
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "E:\CVExampl.msi")" + kDefaults));
}

// --- the action table ------------------------------------------------------------------------

TEST_F(InstallRunTest, PresentProgramIsRemovedThenInstalledWithSameTexts) {
    options.InstallerParams = "/QN";
    Tick({0});
    Present(kMenuMarker);
    Install();
    EXPECT_THAT(MsiCalls(),
                ElementsAre(R"(/x "D:\Setup\CVMenu.msi" /QN)", R"(/i "D:\Setup\CVMenu.msi" /QN)"));
}

TEST_F(InstallRunTest, SkipInstalledLeavesPresentProgramButShowsItsProgress) {
    options.SkipInstalled = true;
    Tick({0, 1});
    Present(kMenuMarker);
    const RunReport report = Install();
    EXPECT_THAT(StatusTexts(), Contains("Status: Installing Corvane Menu..."));
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "D:\Setup\CVWork.msi")" + kDefaults));
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
}

TEST_F(InstallRunTest, SkipInstalledDoesNotChangeUninstall) {
    options.SkipInstalled = true;
    Tick({0});
    Present(kMenuMarker);
    Uninstall();
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/x "D:\Setup\CVMenu.msi")" + kDefaults));
}

TEST_F(InstallRunTest, UninstallOfAbsentProgramStartsNothing) {
    Tick({0, 3});
    const RunReport report = Uninstall();
    EXPECT_THAT(StatusTexts(), ElementsAre("Status: Uninstalling Corvane...",
                                           "Status: Uninstalling Corvane Menu...",
                                           "Status: Uninstalling Corvane Examples...",
                                           "Status: Uninstallation Completed"));
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
}

TEST_F(InstallRunTest, ExamplesArePresentThroughStartCvm) {
    Tick({3});
    Present(R"(Corvane Examples\start.cvm)");
    Uninstall();
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/x "D:\Setup\CVExampl.msi")" + kDefaults));
}

TEST_F(InstallRunTest, MarkerOfAnotherProgramDoesNotCount) {
    Tick({1});
    Present(R"(Corvane Workstation\CVMenu.exe)");
    Present(R"(Corvane Menu\CVWork.exe)");
    Uninstall();
    EXPECT_THAT(MsiCalls(), IsEmpty());
}

TEST_F(InstallRunTest, UntickedBoxesAreSkipped) {
    window.checks = {0, 1, 2, 1};  // 2 is no tick
    Install();
    EXPECT_THAT(
        StatusTexts(),
        ElementsAre("Status: Installing Corvane...", "Status: Installing Corvane Workstation...",
                    "Status: Installing Corvane Examples...", "Status: Installation Completed"));
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "D:\Setup\CVWork.msi")" + kDefaults,
                                        R"(/i "D:\Setup\CVExampl.msi")" + kDefaults));
}

TEST_F(InstallRunTest, BoxTickedDuringTheRunCountsWhenReached) {
    Tick({0});
    system.duringMsiExec = [this](const std::string&) {
        window.checks[0] = 0;
        window.checks[3] = 1;
    };
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(R"(/i "D:\Setup\CVMenu.msi")" + kDefaults,
                                        R"(/i "D:\Setup\CVExampl.msi")" + kDefaults));
}

// --- Program Files folder --------------------------------------------------------------------

TEST_F(InstallRunTest, ThreeCharacterProgramFilesFailsWhileProgressTextStands) {
    system.programFiles = R"(C:\)";
    Tick({0});
    const RunReport report = Install();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmInstall", "EnableCmds(false)", "Sata: Status: Installing Corvane...",
                    R"(SetCurrentFolder: D:\Setup)",
                    "ShowError: Error: Invalid Program Files Directory!", "EnableCmds(true)",
                    "RunDone(true)", "Sata: Status: Installation Failed"));
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_EQ("Invalid Program Files Directory!", report.errorDescription);
    EXPECT_THAT(system.searched, IsEmpty());
}

TEST_F(InstallRunTest, MissingProgramFilesFailsUninstallToo) {
    system.programFiles = "";
    Tick({0});
    const RunReport report = Uninstall();
    EXPECT_THAT(StatusTexts(),
                ElementsAre("Status: Uninstalling Corvane...", "Status: Uninstallation Failed"));
    EXPECT_THAT(journal.entries, Contains("ShowError: Error: Invalid Program Files Directory!"));
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
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith("/x "), StartsWith("/i "), StartsWith("/x ")));
}

TEST_F(InstallRunTest, UnattendedStillShowsTheRunsOwnFailure) {
    options.Unattended = true;
    system.programFiles = "C:";
    Tick({0});
    Install();
    EXPECT_THAT(journal.entries, Contains("ShowError: Error: Invalid Program Files Directory!"));
}

// --- Personal Server registration ------------------------------------------------------------

TEST_F(InstallRunTest, RegistrationStartsRightAfterServerInstall) {
    Tick({1, 2, 3});
    Install();
    const std::vector<std::string>& log = journal.entries;
    auto install =
        std::find(log.begin(), log.end(), R"(RunMsiExec: /i "D:\Setup\CVPServ.msi")" + kDefaults);
    ASSERT_NE(log.end(), install);
    ASSERT_NE(log.end(), install + 1);
    EXPECT_EQ(kRegister, *(install + 1));
    EXPECT_EQ(1, std::count(log.begin(), log.end(), kRegister));
}

TEST_F(InstallRunTest, RegistrationFollowsReinstallOfPresentServer) {
    Tick({2});
    Present(kServerMarker);
    Install();
    EXPECT_THAT(Tail(7), ElementsAre(StartsWith("RunMsiExec: /x "), StartsWith("RunMsiExec: /i "),
                                     kRegister, "EnableCmds(true)", "FocusExit",
                                     "Sata: Status: Installation Completed", "RunDone(true)"));
}

TEST_F(InstallRunTest, RegistrationStartsEvenWhenServerInstallFailed) {
    options.Unattended = true;
    Tick({2});
    system.Answer("/i ", "CVPServ.msi", {true, 1603});
    Install();
    EXPECT_THAT(journal.entries, Contains(kRegister));
}

TEST_F(InstallRunTest, NoRegistrationOnUninstallOrWhenSkipped) {
    Tick({2});
    Present(kServerMarker);
    Uninstall();
    options.SkipInstalled = true;
    Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith("/x ")));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
}

TEST_F(InstallRunTest, RegistrationFailureIsIgnored) {
    system.startSucceeds = false;
    Tick({2, 3});
    EXPECT_EQ(RunOutcome::Completed, Install().outcome);
    journal.throwAt = kRegister;
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_THAT(journal.entries, Not(Contains(StartsWith("ShowError"))));
    EXPECT_EQ("Status: Installation Completed", StatusTexts().back());
    EXPECT_EQ(4u, MsiCalls().size());
}

// --- msiexec exit codes ----------------------------------------------------------------------

TEST_F(InstallRunTest, RestartCodesCountAsSuccess) {
    Tick({0, 1});
    system.Answer("/i ", "CVMenu.msi", {true, 3010});
    system.Answer("/i ", "CVWork.msi", {true, 1641});
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_TRUE(report.restartRequired);
    EXPECT_TRUE(report.restartStarted);
    EXPECT_THAT(report.failures, IsEmpty());
    EXPECT_EQ("Status: Installation Completed", StatusTexts().back());
}

TEST_F(InstallRunTest, FailedPackageIsReportedAndTheRunGoesOn) {
    Tick({0, 1});
    system.Answer("/i ", "CVMenu.msi", {true, 1603});
    system.errorTexts[1603] = "Fatal error during installation.\r\n";
    const RunReport report = Install();
    EXPECT_EQ(2u, MsiCalls().size());
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_EQ(0, report.failures[0].index);
    EXPECT_EQ(1603u, report.failures[0].code);
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_TRUE(report.errorDescription.empty());
    EXPECT_THAT(Tail(4), ElementsAre("ShowError: Error: The following programs could not be "
                                     "installed:\nCorvane Menu: Fatal error during installation.",
                                     "EnableCmds(true)", "RunDone(true)",
                                     "Sata: Status: Installation Failed"));
    EXPECT_THAT(journal.entries, Not(Contains("Sata: Status: Installation Completed")));
}

TEST_F(InstallRunTest, OneBoxListsEveryFailedProgram) {
    Tick({0, 1, 2, 3});
    Present(kMenuMarker);
    Present(kServerMarker);
    system.Answer("/x ", "CVMenu.msi", {true, 1605});
    system.Answer("/x ", "CVPServ.msi", {true, 1603});
    system.Answer("/i ", "CVPServ.msi", {true, 1603});
    system.Answer("/i ", "CVExampl.msi", {false, 0});
    const RunReport report = Install();
    EXPECT_EQ(6u, MsiCalls().size());
    EXPECT_EQ(2u, report.failures.size());
    // Corvane Menu's failed removal is followed by an install that succeeds: it is installed.
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: The following programs could not be installed:\n"
                            "Corvane Personal Server: Message 1603.\n"
                            "Corvane Examples: the Windows Installer could not be started."));
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

// A copy the Windows Installer does not know of (1605) cannot be removed, but it is replaced.
TEST_F(InstallRunTest, AProgramsOutcomeIsThatOfItsLastStep) {
    Tick({0});
    Present(kMenuMarker);
    system.Answer("/x ", "CVMenu.msi", {true, 1605});
    RunReport report = Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith("/x "), StartsWith("/i ")));
    EXPECT_THAT(report.failures, IsEmpty());
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_EQ("Status: Installation Completed", StatusTexts().back());

    system.Answer("/i ", "CVMenu.msi", {true, 1603});
    report = Install();
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_EQ(1603u, report.failures[0].code) << "the install's code, not the removal's";
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

TEST_F(InstallRunTest, UninstallFailureNamesRemoval) {
    Tick({1});
    Present(R"(Corvane Workstation\CVWork.exe)");
    system.Answer("/x ", "CVWork.msi", {true, 1603});
    const RunReport report = Uninstall();
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: The following programs could not be removed:\n"
                            "Corvane Workstation: Message 1603."));
    EXPECT_EQ("Status: Uninstallation Failed", StatusTexts().back());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

TEST_F(InstallRunTest, MsiexecNotStartedIsAFailure) {
    Tick({0});
    system.Answer("/i ", "CVMenu.msi", {false, 1603});
    const RunReport report = Install();
    ASSERT_EQ(1u, report.failures.size());
    EXPECT_EQ(0u, report.failures[0].code);
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: The following programs could not be installed:\n"
                            "Corvane Menu: the Windows Installer could not be started."));
}

TEST_F(InstallRunTest, UserCancelInMsiexecEndsTheRun) {
    Tick({0, 1, 2});
    system.Answer("/i ", "CVWork.msi", {true, 1602});
    system.errorTexts[1602] = "User cancelled installation.";
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Cancelled, report.outcome);
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith(R"(/i "D:\Setup\CVMenu.msi")"),
                                        StartsWith(R"(/i "D:\Setup\CVWork.msi")")));
    EXPECT_THAT(StatusTexts(), Not(Contains("Status: Installing Corvane Personal Server...")));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: The following programs could not be installed:\n"
                            "Corvane Workstation: User cancelled installation."));
    EXPECT_THAT(Tail(3), ElementsAre("EnableCmds(true)", "RunDone(true)",
                                     "Sata: Status: Installation Failed"));
}

TEST_F(InstallRunTest, UserCancelDuringRemovalSkipsTheInstall) {
    Tick({2});
    Present(kServerMarker);
    system.Answer("/x ", "CVPServ.msi", {true, 1602});
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Cancelled, report.outcome);
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith("/x ")));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
}

TEST_F(InstallRunTest, UnattendedPackageFailureShowsNoBox) {
    options.Unattended = true;
    Tick({0, 1});
    system.Answer("/i ", "CVMenu.msi", {true, 1603});
    system.Answer("/i ", "CVWork.msi", {true, 1602});
    const RunReport report = Install();
    EXPECT_THAT(journal.entries, Not(Contains(StartsWith("ShowError"))));
    EXPECT_THAT(Tail(3), ElementsAre("EnableCmds(true)", "RunDone(true)",
                                     "Sata: Status: Installation Failed"));
    EXPECT_EQ(RunOutcome::Cancelled, report.outcome);
    EXPECT_EQ(2u, report.failures.size());
}

// --- unexpected failures of the window or the system -----------------------------------------

TEST_F(InstallRunTest, ThrowingCallEndsTheRunThroughTheFailurePath) {
    Tick({0, 1, 2});
    journal.throwAt = "Sata: Status: Installing Corvane Workstation...";
    RunReport report;
    EXPECT_NO_THROW(report = Install());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_EQ("Catastrophic failure", report.errorDescription);
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith(R"(/i "D:\Setup\CVMenu.msi")")));
    EXPECT_THAT(Tail(5), ElementsAre("Sata: Status: Installing Corvane Workstation...",
                                     "ShowError: Error: Catastrophic failure", "EnableCmds(true)",
                                     "RunDone(true)", "Sata: Status: Installation Failed"));
}

TEST_F(InstallRunTest, ThrowingConfirmationFailsTheRun) {
    Tick({0});
    journal.throwAt = "ConfirmRemoval";
    const RunReport report = Uninstall();
    EXPECT_THAT(
        journal.entries,
        ElementsAre("ConfirmRemoval", "ShowError: Error: Catastrophic failure", "EnableCmds(true)",
                    "RunDone(true)", "Sata: Status: Uninstallation Failed"));
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

TEST_F(InstallRunTest, ThrowingMsiexecFailsTheRunEvenUnattended) {
    options.Unattended = true;
    Tick({0, 1});
    journal.throwAt = R"(RunMsiExec: /i "D:\Setup\CVMenu.msi")" + kDefaults;
    const RunReport report = Install();
    EXPECT_THAT(journal.entries, Contains("ShowError: Error: Catastrophic failure"));
    EXPECT_EQ(1u, MsiCalls().size());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
}

TEST_F(InstallRunTest, NonStandardExceptionGetsAGenericDescription) {
    Tick({0});
    journal.throwAt = "EnableCmds(false)";
    journal.throwNonStandard = true;
    RunReport report;
    EXPECT_NO_THROW(report = Install());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_FALSE(report.errorDescription.empty());
    EXPECT_THAT(Matching("ShowError: "), ElementsAre("Error: " + report.errorDescription));
    EXPECT_EQ("Sata: Status: Installation Failed", journal.entries.back());
}

TEST_F(InstallRunTest, SecondFailureInTheFailurePathDoesNotEscape) {
    Tick({0});
    system.programFiles = "";
    journal.throwAt = "EnableCmds(true)";
    RunReport report;
    EXPECT_NO_THROW(report = Install());
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_EQ("Invalid Program Files Directory!", report.errorDescription);
    EXPECT_THAT(Tail(3), ElementsAre("EnableCmds(true)", "RunDone(true)",
                                     "Sata: Status: Installation Failed"));
}

TEST_F(InstallRunTest, FailingBoxStillEndsTheRun) {
    Tick({0});
    system.programFiles = "";
    journal.throwAt = "ShowError: Error: Invalid Program Files Directory!";
    RunReport report;
    EXPECT_NO_THROW(report = Install());
    EXPECT_EQ(1u, Matching("ShowError").size());
    EXPECT_EQ("Sata: Status: Installation Failed", journal.entries.back());
}

TEST_F(InstallRunTest, ExceptionAfterPackageFailureShowsOneBox) {
    Tick({0, 1});
    system.Answer("/i ", "CVMenu.msi", {true, 1603});
    journal.throwAt = "Sata: Status: Installing Corvane Workstation...";
    const RunReport report = Install();
    EXPECT_THAT(Matching("ShowError: "), ElementsAre("Error: Catastrophic failure"));
    EXPECT_EQ(RunOutcome::Failed, report.outcome);
    EXPECT_EQ(1u, report.failures.size());
}

TEST_F(InstallRunTest, FailuresAfterTheLastProgramAreIgnored) {
    Tick({0});
    journal.throwAt = "FocusExit";
    RunReport report;
    EXPECT_NO_THROW(report = Install());
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_THAT(Tail(4), ElementsAre("EnableCmds(true)", "FocusExit",
                                     "Sata: Status: Installation Completed", "RunDone(true)"));
}

TEST_F(InstallRunTest, FolderChangeFailureIsIgnored) {
    Tick({0});
    journal.throwAt = R"(SetCurrentFolder: D:\Setup)";
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_EQ(1u, MsiCalls().size());
}

// --- a restart started by the Windows Installer (1641) ----------------------------------------

TEST_F(InstallRunTest, ARestartStartedStopsTheRunAndNamesWhatWasNotProcessed) {
    Tick({0, 1, 3});
    system.Answer("/i ", "CVMenu.msi", {true, 1641});
    const RunReport report = Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith(R"(/i "D:\Setup\CVMenu.msi")")));
    EXPECT_EQ(RunOutcome::Stopped, report.outcome);
    EXPECT_TRUE(report.restartStarted);
    EXPECT_FALSE(report.installerBusy);
    EXPECT_THAT(report.notProcessed, ElementsAre(1, 3));
    EXPECT_THAT(Tail(4),
                ElementsAre("ShowError: Error: The Windows Installer is restarting the computer, "
                            "so these programs were not processed:\nCorvane Workstation\n"
                            "Corvane Examples",
                            "EnableCmds(true)", "RunDone(true)",
                            "Sata: Status: Installation Stopped For A Restart; Not Processed: "
                            "Corvane Workstation, Corvane Examples"));
}

TEST_F(InstallRunTest, ARestartDuringARemovalLeavesThatProgramUninstalledAndUnregistered) {
    options.Unattended = true;
    Tick({2});
    Present(kServerMarker);
    system.Answer("/x ", "CVPServ.msi", {true, 1641});
    const RunReport report = Install();
    EXPECT_THAT(MsiCalls(), ElementsAre(StartsWith("/x ")));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
    EXPECT_THAT(journal.entries, Not(Contains(StartsWith("ShowError"))));
    EXPECT_THAT(report.notProcessed, ElementsAre(2));
    EXPECT_EQ("Status: Installation Stopped For A Restart; Not Processed: Corvane Personal Server",
              StatusTexts().back());
}

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
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: The Windows Installer's command line would be longer than "
                            "the 32767 characters Windows allows. Shorten the /MSI= parameters "
                            "or the installer's folder."));
    EXPECT_EQ("Status: Installation Failed", StatusTexts().back());
}

struct MsiLogCase {
    std::string installerParams;
    std::string expected;  // what follows the installer parameters
};

class MsiLogOption : public InstallRunTest, public ::testing::WithParamInterface<MsiLogCase> {};

TEST_P(MsiLogOption, FollowsTheParametersUnlessTheyAskForALogOfTheirOwn) {
    options.LogPath = R"(C:\Logs\deploy.txt)";
    options.InstallerParams = GetParam().installerParams;
    Tick({0});
    Present(kMenuMarker);
    Install();
    const std::string params = InstallerParameters(GetParam().installerParams);
    EXPECT_THAT(
        MsiCalls(),
        ElementsAre(
            R"(/x "D:\Setup\CVMenu.msi")" + params +
                (GetParam().expected.empty() ? "" : GetParam().expected + "_uninstall.log\""),
            R"(/i "D:\Setup\CVMenu.msi")" + params +
                (GetParam().expected.empty() ? "" : GetParam().expected + "_install.log\"")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MsiLogOption,
    ::testing::Values(MsiLogCase{"", R"( /L*v "C:\Logs\deploy_CVMenu)"},
                      MsiLogCase{"/qn", R"( /L*v "C:\Logs\deploy_CVMenu)"},
                      MsiLogCase{"/qn TARGET=C:\\/lib", R"( /L*v "C:\Logs\deploy_CVMenu)"},
                      MsiLogCase{"/qn /l*v C:\\own.log", ""}, MsiLogCase{"/LOG C:\\own.log", ""},
                      MsiLogCase{"-Lv C:\\own.log /qn", ""}));

TEST(MsiLogPath, IsBesideTheRunLogNamedAfterPackageAndStep) {
    EXPECT_EQ(MsiLogPath(R"(C:\Logs\run.log)", "CVMenu.msi", true),
              R"(C:\Logs\run_CVMenu_install.log)");
    EXPECT_EQ(MsiLogPath(R"(C:\Logs\run)", "CVExampl.msi", false),
              R"(C:\Logs\run_CVExampl_uninstall.log)");
    EXPECT_EQ(MsiLogPath(R"(C:\My.Logs\run)", "CVWork.msi", true),
              R"(C:\My.Logs\run_CVWork_install.log)");
}

// --- another installation holds the Windows Installer -----------------------------------------

TEST_F(InstallRunTest, WaitsForAnotherInstallationShowingWhichProgramWaits) {
    system.installerBusyUntil = 5000;
    Tick({0, 1});
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_THAT(journal.entries,
                Contains("Sata: Status: Installing Corvane Menu: Waiting For Another "
                         "Installation To Finish..."));
    const auto wait =
        std::find(journal.entries.begin(), journal.entries.end(), "WaitForInstaller: 600000");
    ASSERT_NE(wait, journal.entries.end());
    EXPECT_EQ(*(wait + 1), "Sata: Status: Installing Corvane Menu...");
    EXPECT_THAT(*(wait + 2), StartsWith(R"(RunMsiExec: /i "D:\Setup\CVMenu.msi")"));
    EXPECT_EQ(1, std::count_if(journal.entries.begin(), journal.entries.end(),
                               [](const std::string& e) { return e.find("Waiting") != e.npos; }));
}

TEST_F(InstallRunTest, AnInstallationThatOutlastsTheWaitEndsTheRunWithTheRestUnprocessed) {
    options.WaitSeconds = 30;
    system.installerBusyUntil = 60000;
    Tick({1, 2});
    const RunReport report = Install();
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_THAT(journal.entries, Contains("WaitForInstaller: 30000"));
    EXPECT_EQ(RunOutcome::Stopped, report.outcome);
    EXPECT_TRUE(report.installerBusy);
    EXPECT_THAT(report.notProcessed, ElementsAre(1, 2));
    EXPECT_THAT(journal.entries, Not(Contains(kRegister)));
    EXPECT_THAT(Matching("ShowError: "),
                ElementsAre("Error: Another installation kept the Windows Installer busy, so "
                            "these programs were not processed:\nCorvane Workstation\n"
                            "Corvane Personal Server"));
    EXPECT_EQ(
        "Status: Installation Stopped, Windows Installer Busy; Not Processed: Corvane "
        "Workstation, Corvane Personal Server",
        StatusTexts().back());
}

TEST_F(InstallRunTest, WaitZeroDoesNotWait) {
    options.Unattended = true;
    options.WaitSeconds = 0;
    system.installerBusyUntil = 1;
    Tick({0});
    Present(kMenuMarker);
    const RunReport report = Uninstall();
    EXPECT_THAT(MsiCalls(), IsEmpty());
    EXPECT_THAT(journal.entries, Not(Contains(StartsWith("WaitForInstaller"))));
    EXPECT_EQ(RunOutcome::Stopped, report.outcome);
    EXPECT_THAT(report.notProcessed, ElementsAre(0));
}

TEST_F(InstallRunTest, MsiexecThatFindsTheInstallerTakenIsRunAgainAfterGrowingPauses) {
    Tick({0, 1});
    system.Answer("/i ", "CVMenu.msi", {true, 1618}, 3);
    const RunReport report = Install();
    EXPECT_EQ(RunOutcome::Completed, report.outcome);
    EXPECT_THAT(report.failures, IsEmpty());
    EXPECT_EQ(Matching("RunMsiExec: /i \"D:\\Setup\\CVMenu.msi\"").size(), 4u);
    EXPECT_THAT(Matching("Pause: "), ElementsAre("1000", "2000", "4000"));
    EXPECT_EQ(Matching("RunMsiExec: /i \"D:\\Setup\\CVWork.msi\"").size(), 1u);
}

TEST_F(InstallRunTest, MsiexecFindingTheInstallerTakenPastTheWaitStopsTheRun) {
    options.Unattended = true;
    options.WaitSeconds = 20;
    Tick({0, 3});
    system.msiexecTakesMs = 500;
    system.Answer("/i ", "CVMenu.msi", {true, 1618});
    const RunReport report = Install();
    EXPECT_THAT(Matching("Pause: "), ElementsAre("1000", "2000", "4000", "8000", "2500"));
    EXPECT_EQ(RunOutcome::Stopped, report.outcome);
    EXPECT_TRUE(report.installerBusy);
    EXPECT_THAT(report.failures, IsEmpty());
    EXPECT_THAT(report.notProcessed, ElementsAre(0, 3));
    EXPECT_THAT(MsiCalls(), Not(Contains(StartsWith(R"(/i "D:\Setup\CVExampl.msi")"))));
}

// --- the run log ------------------------------------------------------------------------------

TEST_F(InstallRunTest, TheLogTellsEveryDecisionAndEveryMsiexec) {
    options.Unattended = true;
    system.installerBusyUntil = 1500;
    system.msiexecTakesMs = 2500;
    system.errorTexts[3010] = "A restart is required.\r\n";
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
            "The Windows Installer became free after 1.5 s",
            R"(msiexec /i "D:\Setup\CVMenu.msi")" + kDefaults,
            "msiexec ended with 0 after 2.5 s: Message 0.",
            "Corvane Personal Server: installed, removing it and installing it again",
            R"(msiexec /x "D:\Setup\CVPServ.msi")" + kDefaults,
            "msiexec ended with 0 after 2.5 s: Message 0.",
            R"(msiexec /i "D:\Setup\CVPServ.msi")" + kDefaults,
            "msiexec ended with 3010 after 2.5 s: A restart is required.",
            "Corvane Personal Server: the machine must be restarted to finish (3010)",
            R"(Server registration started: "C:\Program Files\Corvane Personal Server\CVPServ.exe" /REGISTERCOM)",
            "Corvane Examples: not installed, installing it",
            R"(msiexec /i "D:\Setup\CVExampl.msi")" + kDefaults,
            "msiexec ended with 0 after 2.5 s: Message 0."));
}

TEST_F(InstallRunTest, TheLogTellsTheAnswerToTheAgreementAndTheRunsOwnFailure) {
    window.acceptInstall = false;
    Tick({0});
    Install();
    window.acceptInstall = true;
    system.programFiles = "";
    Install();
    EXPECT_THAT(log.lines, ElementsAre("Licence agreement declined", "Licence agreement accepted",
                                       "Install run", R"(Program Files folder: "")",
                                       "The run failed: Invalid Program Files Directory!"));
}

}  // namespace
}  // namespace cvinst
