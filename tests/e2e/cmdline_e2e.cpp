// CVInst.exe started with a command line, against the system's msiexec and the real demo
// packages: what each command installs or removes, the box of a refused command line, /SHOW, and
// every exit status that a run can end with here.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cmdline_support.h"
#include "driver.h"

namespace cvinst::e2e::cmdline {
namespace {

using Captions = std::vector<std::string>;

constexpr char kTitle[] = "Corvane Installer 1.0";
constexpr char kRefusedTitle[] = "Corvane Automatic Installation";
const std::string kHead = "Invalid command line parameters.\n\n";
const std::string kPrivileges = kHead + "You do not have enough privileges to perform this action.";

std::string ProgramsMessage(const std::string& quoted) {
    return kHead + "Missing or invalid \"/p:\" syntax: \"" + quoted +
           "\"\n\nPlease specify /P:MWSEA for programs and actions.";
}
std::string CommandMessage(const std::string& quoted) {
    return kHead + "Missing or invalid command: \"" + quoted +
           "\"\n\nPlease specify /I to install or /U to uninstall the programs.";
}
std::string InstallerParamsMessage(const std::string& quoted) {
    return kHead + "Invalid MS Windows Installer parameters syntax: \"" + quoted +
           "\"\n\nSyntax: \"/MSI=\"MS Installer Parameters\"\"";
}

class CommandLine : public CleanMachineTest {
protected:
    // Starts `exe` with `arguments` from the test's folder.
    void Start(const std::string& exe, std::string_view arguments) {
        installer = std::make_unique<Installer>(exe, arguments, folder.Path());
        ASSERT_TRUE(installer->Started()) << exe;
    }

    // Runs `exe` with `arguments` to its end without touching it.
    Watched Run(const std::string& exe, std::string_view arguments) {
        Start(exe, arguments);
        if (!installer || !installer->Started()) return {};
        return WatchUntilExit(*installer);
    }

    // Installs a program with the system's msiexec, as an earlier installation would have.
    void InstallBeforehand(const DemoProgram& program) {
        const std::optional<DWORD> code =
            RunSystemMsiExec("/i \"" + folder.File(program.package) + "\" /qn ALLUSERS=2");
        ASSERT_EQ(code, std::optional<DWORD>(0)) << program.package;
        ASSERT_TRUE(MarkerPresent(program)) << program.package;
    }

    // Waits for the process's message box, checks it, answers OK; the process's exit code.
    std::optional<DWORD> ExpectBoxThenExit(const std::string& caption, const std::string& text) {
        HWND box = installer->WaitMessageBox();
        EXPECT_NE(box, nullptr) << "no message box";
        if (!box) return std::nullopt;
        EXPECT_EQ(Text(box), caption);
        EXPECT_EQ(MessageBoxText(box), text);
        EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "a box with more than OK";
        // The box is all there is: the main window stays hidden.
        for (HWND hwnd : installer->Windows())
            if (hwnd != box) {
                EXPECT_FALSE(Visible(hwnd)) << "also visible: " << Text(hwnd);
            }
        EXPECT_TRUE(AnswerMessageBox(box, IDOK));
        EXPECT_TRUE(WaitGone(box));
        const Watched rest = WatchUntilExit(*installer);
        EXPECT_EQ(rest.visibleWindows, Captions{}) << "a window after the box";
        return rest.exitCode;
    }

    TempFolder folder;  // before the process: it outlives it
    std::unique_ptr<Installer> installer;
};

// ---- what the commands do -----------------------------------------------------------------------

TEST_F(CommandLine, LowerCaseInstallOfMenuAndServerInstallsExactlyThoseWithoutAWindow) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples});
    const Watched run = Run(exe, "/i /p:ms");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_TRUE(MarkerPresent(kMenu));
    EXPECT_FALSE(MarkerPresent(kWork));
    EXPECT_TRUE(MarkerPresent(kServer));
    EXPECT_FALSE(MarkerPresent(kExamples));
    EXPECT_EQ(PackageValue(kMenu, "Installed"), "1");
    EXPECT_EQ(PackageValue(kServer, "Installed"), "1");
    EXPECT_EQ(PackageValue(kWork, "Installed"), std::nullopt);
    EXPECT_EQ(PackageValue(kExamples, "Installed"), std::nullopt);
}

TEST_F(CommandLine, UninstallOfMenuRemovesMenuOnly) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples});
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand(kMenu));
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand(kWork));

    const Watched run = Run(exe, "/U /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_FALSE(MarkerPresent(kMenu));
    EXPECT_EQ(PackageValue(kMenu, "Installed"), std::nullopt);
    EXPECT_TRUE(MarkerPresent(kWork));
    EXPECT_EQ(PackageValue(kWork, "Installed"), "1");
}

TEST_F(CommandLine, SkipInstalledLeavesAnInstalledProgramAloneAndInstallsTheOthers) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples});
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand(kMenu));
    ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), "left by the user"));

    const Watched run = Run(exe, "/I /T");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(FileBytes(MarkerPath(kMenu)), "left by the user");
    EXPECT_TRUE(MarkerPresent(kWork));
    EXPECT_TRUE(MarkerPresent(kServer));
    EXPECT_TRUE(MarkerPresent(kExamples));
}

// The counterpart of the test above: without /T the same program is removed and installed afresh.
TEST_F(CommandLine, WithoutSkipInstalledAnInstalledProgramIsInstalledAfresh) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand(kMenu));
    ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), "left by the user"));

    const Watched run = Run(exe, "/I /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    const std::optional<std::string> original = FileBytes(DemoFile("programs\\CVMenu.exe"));
    ASSERT_TRUE(original.has_value());
    EXPECT_TRUE(FileBytes(MarkerPath(kMenu)) == original) << "the marker was not installed afresh";
}

TEST_F(CommandLine, InstallerParametersReachThePackageInTheCaseTheyWereWritten) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork});
    const Watched run = Run(exe, "/I /P:M /MSI=\"/qn DEMOVALUE=MixedCase\"");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(PackageValue(kMenu, "DemoValue"), "MixedCase");
    EXPECT_FALSE(MarkerPresent(kWork));
}

TEST_F(CommandLine, ShowMakesTheWindowVisibleDuringTheRunAndItClosesByItself) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kExamples});
    const Watched run = Run(exe, "/I /P:E /SHOW");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.visibleWindows, Captions{kTitle});
    EXPECT_TRUE(MarkerPresent(kExamples));
    EXPECT_FALSE(MarkerPresent(kMenu));
}

// ---- refused command lines ----------------------------------------------------------------------

struct Refusal {
    std::string arguments;
    std::string message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.arguments; }

class CommandLineRefused : public CommandLine, public ::testing::WithParamInterface<Refusal> {};

// Every package lies beside the installer: a run that wrongly started would install something.
TEST_P(CommandLineRefused, ShowsItsBoxRunsNothingAndEndsWith1639) {
    Start(PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples}), GetParam().arguments);
    EXPECT_EQ(ExpectBoxThenExit(kRefusedTitle, GetParam().message), std::optional<DWORD>(1639));
    EXPECT_EQ(DemoTraces(), Captions{});
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineRefused,
    ::testing::Values(
        Refusal{"/P:M", CommandMessage("/P:M")}, Refusal{"/i /p:mx", ProgramsMessage("/I /P:MX")},
        // The quote shows the text as the parsers saw it: upper case, without the /MSI= option.
        Refusal{"/u /p:q /msi=\"/qn DemoValue=x\"", ProgramsMessage("/U /P:Q ")},
        Refusal{"/I /P:M /MSI=\"/qn", InstallerParamsMessage("/I /P:M /MSI=\"/QN")},
        // /SHOW takes effect only once everything was accepted: the window stays hidden.
        Refusal{"/show /p:", ProgramsMessage(" /P:")}));

// ---- exit statuses ------------------------------------------------------------------------------

TEST_F(CommandLine, ACorruptPackageEndsTheUnattendedRunWith1603AndNoBox) {
    folder.CopyIn(BuiltInstaller(), "CVInst.exe");
    folder.CopyIn(DemoFile("corrupt\\CVMenu.msi"), "CVMenu.msi");
    const Watched run = Run(folder.File("CVInst.exe"), "/I /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1603));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_EQ(DemoTraces(), Captions{});
}

// Menu's package is missing: its box is ticked but disabled, so nothing enabled is selected.
TEST_F(CommandLine, AProgramWithoutItsPackageAsksForASelectionAndEndsWith1619) {
    Start(PlaceWithPackages(folder, {kWork}), "/I /P:M");
    EXPECT_EQ(ExpectBoxThenExit(kTitle, "Please select action to perform."),
              std::optional<DWORD>(1619));
    EXPECT_EQ(DemoTraces(), Captions{});
}

// With no package at all the window disables both actions while it loads, before the command line
// is read, so the command is refused as one that is not allowed; the exit status tells the real
// cause: the packages are missing.
TEST_F(CommandLine, NoPackageAtAllRefusesTheCommandAndEndsWith1619) {
    Start(PlaceWithPackages(folder, {}), "/I");
    EXPECT_EQ(ExpectBoxThenExit(kRefusedTitle, kPrivileges), std::optional<DWORD>(1619));
}

TEST_F(CommandLine, WithoutWriteAccessToTheLogonKeyTheCommandIsRefusedWith5) {
    const std::string exe = PlaceWithPackages(folder, {kMenu, kWork, kServer, kExamples});
    {
        WinlogonKeyHidden noRights;
        ASSERT_TRUE(noRights.Hidden()) << "the logon key could not be taken away";
        Start(exe, "/I /P:M");
        EXPECT_EQ(ExpectBoxThenExit(kRefusedTitle, kPrivileges), std::optional<DWORD>(5));
    }
    EXPECT_TRUE(WinlogonKeyVisible()) << "the logon key was not put back";
    EXPECT_EQ(DemoTraces(), Captions{});
}

TEST_F(CommandLine, APackageAskingForARestartEndsTheRunWith3010) {
    folder.CopyIn(BuiltInstaller(), "CVInst.exe");
    folder.CopyIn(DemoFile("CVMenu.msi"), "CVMenu.msi");
    ASSERT_TRUE(AddScheduledReboot(folder.File("CVMenu.msi")));

    const Watched run = Run(folder.File("CVInst.exe"), "/I /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(3010));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_TRUE(MarkerPresent(kMenu));
}

TEST_F(CommandLine, CancelInThePackagesOwnWindowEndsTheRunWith1602) {
    constexpr char kSetupTitle[] = "Corvane Menu Setup";
    folder.CopyIn(BuiltInstaller(), "CVInst.exe");
    folder.CopyIn(DemoFile("CVMenu.msi"), "CVMenu.msi");
    folder.CopyIn(DemoFile("CVWork.msi"), "CVWork.msi");
    ASSERT_TRUE(AddStartDialog(folder.File("CVMenu.msi"), kSetupTitle));

    // The full user interface of msiexec, so that the package shows its dialog.
    Start(folder.File("CVInst.exe"), "/I /P:MW /MSI=\"/qf\"");
    HWND setup = WaitWindowOfAnyProcess(kSetupTitle);
    ASSERT_NE(setup, nullptr) << "the package's dialog did not appear";
    HWND cancel = ChildByText(setup, "Cancel");
    ASSERT_NE(cancel, nullptr);
    Press(cancel);
    const Watched run = WatchUntilExit(*installer);

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1602));
    EXPECT_EQ(run.visibleWindows, Captions{});
    // A cancel stops the run: Workstation, next in line, is not installed either.
    EXPECT_EQ(DemoTraces(), Captions{});
}

class CommandLineSecondInstaller : public CommandLine {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(CommandLine::SetUp());
        exe = PlaceWithPackages(folder, {kMenu});
        ASSERT_NO_FATAL_FAILURE(Start(exe, ""));
        first = installer->WaitWindow(kTitle);
        ASSERT_NE(first, nullptr) << "the first installer shows no window";
    }

    // Ends the interactive first installer with its Exit button; its exit code.
    std::optional<DWORD> ExitFirst() {
        HWND exitButton = ChildByText(first, "Exit");
        EXPECT_NE(exitButton, nullptr);
        if (!exitButton) return std::nullopt;
        Press(exitButton);
        return installer->WaitExit();
    }

    std::string exe;
    HWND first = nullptr;
};

TEST_F(CommandLineSecondInstaller, AnUnattendedSecondEndsWith1618SilentlyAndRunsNothing) {
    Installer second(exe, "/I /P:M", folder.Path());
    ASSERT_TRUE(second.Started());
    const Watched run = WatchUntilExit(second);

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1618));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_FALSE(MarkerPresent(kMenu));
    EXPECT_EQ(ExitFirst(), std::optional<DWORD>(0)) << "an interactive session ended by Exit";
}

TEST_F(CommandLineSecondInstaller, AnInteractiveSecondSaysSoAndEndsWith1618) {
    Installer second(exe, "", folder.Path());
    ASSERT_TRUE(second.Started());
    HWND box = second.WaitMessageBox();
    ASSERT_NE(box, nullptr) << "the second installer shows no box";
    EXPECT_EQ(Text(box), "Corvane Installer");
    EXPECT_EQ(MessageBoxText(box),
              "Another Corvane Installer is already running.\n"
              "Please wait until it has finished, then start it again.");
    for (HWND hwnd : second.Windows())
        if (hwnd != box) {
            EXPECT_FALSE(Visible(hwnd)) << "also visible: " << Text(hwnd);
        }
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));

    EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(1618));
    EXPECT_TRUE(Visible(first)) << "the first installer did not stay";
    EXPECT_EQ(ExitFirst(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace cvinst::e2e::cmdline
