// CVInst.exe started with a command line, against the system's msiexec and the real demo
// packages: what each command installs or removes, the boxes of refused command lines, /SHOW, and
// every exit status that a run can end with here.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "driver.h"

namespace cvinst::e2e {
namespace {

constexpr char kRefusedTitle[] = "Corvane Automatic Installation";
constexpr char kChangedMarker[] = "left by the user";

// ---- what the commands do -----------------------------------------------------------------------

enum class MenuMarker { Untouched, ChangedThenKept, ChangedThenReplaced };

struct CommandRun {
    const char* name;
    const char* placed;      // the programs whose packages lie beside the installer
    const char* beforehand;  // installed by an earlier installation
    MenuMarker menuMarker;   // the user's change to Corvane Menu's marker file
    std::string arguments;
    bool windowShown;       // the main window visible during the run
    std::string installed;  // the programs present after it: M, W, S, E
    const char* demoValue;  // what the packages present were given
};

void PrintTo(const CommandRun& run, std::ostream* os) { *os << run.arguments; }

class CommandRuns : public CleanMachineTest, public ::testing::WithParamInterface<CommandRun> {};

TEST_P(CommandRuns, InstallOrRemoveExactlyTheProgramsNamed) {
    const CommandRun& c = GetParam();
    const std::string exe = PlaceWithPackages(folder, Package::Of(c.placed));
    for (const DemoProgram& program : DemoPrograms(c.beforehand))
        ASSERT_NO_FATAL_FAILURE(InstallBeforehand(program));
    if (c.menuMarker != MenuMarker::Untouched) {
        ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), kChangedMarker));
    }

    const Watched run = Run(exe, c.arguments);

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0));
    EXPECT_EQ(run.visibleWindows, c.windowShown ? Captions{kMainTitle} : Captions{});
    EXPECT_EQ(ProgramsPresent(), c.installed);
    for (const DemoProgram& program : DemoPrograms(c.installed))
        EXPECT_EQ(PackageValue(program, "DemoValue"), c.demoValue) << program.name;
    if (MarkerPresent(kMenu)) {
        // /T leaves the changed file alone; an install without it removes Corvane Menu first.
        EXPECT_EQ(FileBytes(MarkerPath(kMenu)), c.menuMarker == MenuMarker::ChangedThenKept
                                                    ? std::optional<std::string>(kChangedMarker)
                                                    : FileBytes(DemoFile("programs\\CVMenu.exe")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandRuns,
    ::testing::Values(CommandRun{"LowerCaseInstallOfMenuAndServer", "MWSE", "",
                                 MenuMarker::Untouched, "/i /p:ms", false, "MS", "default"},
                      CommandRun{"UninstallOfMenuOnly", "MWSE", "MW", MenuMarker::Untouched,
                                 "/U /P:M", false, "W", "default"},
                      CommandRun{"SkipInstalledLeavesAnInstalledProgramAlone", "MWSE", "M",
                                 MenuMarker::ChangedThenKept, "/I /T", false, "MWSE", "default"},
                      CommandRun{"WithoutSkipInstalledAnInstalledProgramIsInstalledAfresh", "M",
                                 "M", MenuMarker::ChangedThenReplaced, "/I /P:M", false, "M",
                                 "default"},
                      CommandRun{"InstallerParametersReachThePackageInTheirCase", "MW", "",
                                 MenuMarker::Untouched, "/I /P:M /MSI=\"/qn DEMOVALUE=MixedCase\"",
                                 false, "M", "MixedCase"},
                      // The window is visible during the run and closes by itself.
                      CommandRun{"ShowMakesTheWindowVisible", "ME", "", MenuMarker::Untouched,
                                 "/I /P:E /SHOW", true, "E", "default"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- command lines that end with a box ----------------------------------------------------------

const std::string kHead = "Invalid command line parameters.\n\n";
const std::string kPrivileges = kHead + "You do not have enough privileges to perform this action.";

std::string WaitRefused(const std::string& quoted) {
    return kHead + "Invalid wait syntax: \"" + quoted +
           "\"\n\nSyntax: /WAIT:seconds (0 to 1000000; 0 does not wait)";
}

struct BoxRun {
    const char* name;
    const char* placed;  // the programs whose packages lie beside the installer
    std::string arguments;
    bool withoutRights;   // the logon settings key cannot be written
    const char* caption;  // of the box, which has only OK
    std::string text;
    DWORD exitStatus;
};

void PrintTo(const BoxRun& run, std::ostream* os) { *os << run.arguments; }

class CommandLineBox : public CleanMachineTest, public ::testing::WithParamInterface<BoxRun> {};

// With the packages there, a run that wrongly started would install something.
TEST_P(CommandLineBox, IsAllThereIsAndTheRunEndsHavingDoneNothing) {
    const BoxRun& c = GetParam();
    const std::string exe = PlaceWithPackages(folder, Package::Of(c.placed));
    std::optional<WinlogonKeyHidden> noRights;
    if (c.withoutRights) {
        noRights.emplace();
        ASSERT_TRUE(noRights->Hidden()) << "the logon key could not be taken away";
    }
    Installer& installer = Start(exe, c.arguments);
    HWND box = installer.WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(ReadBox(box), (BoxSeen{c.caption, c.text, kOkOnly}));
    // The main window stays hidden.
    EXPECT_EQ(installer.VisibleWindows(), Captions{c.caption});
    ASSERT_TRUE(Answer(box, IDOK));
    const Watched rest = installer.Watch();
    EXPECT_EQ(rest.exitCode, std::optional<DWORD>(c.exitStatus));
    EXPECT_EQ(rest.visibleWindows, Captions{}) << "a window after the box";
    if (noRights) {
        noRights.reset();
        EXPECT_TRUE(WinlogonKeyVisible()) << "the logon key was not put back";
    }
    EXPECT_EQ(DemoTraces(), Captions{});
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineBox,
    ::testing::Values(
        BoxRun{"NoCommand", "MWSE", "/P:M", false, kRefusedTitle,
               kHead + "Missing or invalid command: \"/P:M\"\n\n"
                       "Please specify /I to install or /U to uninstall the programs.",
               1639},
        BoxRun{"AnUnknownProgram", "MWSE", "/i /p:mx", false, kRefusedTitle,
               kHead + "Missing or invalid \"/p:\" syntax: \"/I /P:MX\"\n\n"
                       "Please specify /P:MWSEA for programs and actions.",
               1639},
        // The quote shows the text as the parsers saw it: upper case, without the /MSI= option.
        BoxRun{"AnUnknownProgramBesideInstallerParameters", "MWSE",
               "/u /p:q /msi=\"/qn DemoValue=x\"", false, kRefusedTitle,
               kHead + "Missing or invalid \"/p:\" syntax: \"/U /P:Q \"\n\n"
                       "Please specify /P:MWSEA for programs and actions.",
               1639},
        // A second /MSI= is refused, and nothing in its value is read as /I.
        BoxRun{"TwoInstallerParameters", "MWSE",
               "/U /P:M /MSI=\"/qn\" /MSI=\"TRANSFORMS=C:/Installs/x.mst\"", false, kRefusedTitle,
               kHead + "Invalid MS Windows Installer parameters syntax: \"/U /P:M /MSI=\"/QN\" "
                       "/MSI=\"TRANSFORMS=C:/INSTALLS/X.MST\"\"\n\n"
                       "Syntax: \"/MSI=\"MS Installer Parameters\"\"",
               1639},
        BoxRun{"UnclosedInstallerParameters", "MWSE", "/I /P:M /MSI=\"/qn", false, kRefusedTitle,
               kHead + "Invalid MS Windows Installer parameters syntax: \"/I /P:M /MSI=\"/QN\"\n\n"
                       "Syntax: \"/MSI=\"MS Installer Parameters\"\"",
               1639},
        // The "?" of a long path is the /LOG= value's: the faulty /WAIT: beside it is refused.
        BoxRun{"ALongPathLogBesideAnEmptyWait", "MWSE", R"(/I /LOG="\\?\C:\Logs\x.log" /WAIT:)",
               false, kRefusedTitle, WaitRefused(R"(/I /LOG="\\?\C:\LOGS\X.LOG" /WAIT:)"), 1639},
        BoxRun{"AWaitWithAUnit", "MWSE", "/I /WAIT:10m", false, kRefusedTitle,
               WaitRefused("/I /WAIT:10M"), 1639},
        BoxRun{"AWaitWithAnExponent", "MWSE", "/I /WAIT:1e3", false, kRefusedTitle,
               WaitRefused("/I /WAIT:1E3"), 1639},
        BoxRun{"AWaitWithAFraction", "MWSE", "/I /WAIT:1.5", false, kRefusedTitle,
               WaitRefused("/I /WAIT:1.5"), 1639},
        BoxRun{"AWaitWithAPlusSign", "MWSE", "/I /WAIT:+5", false, kRefusedTitle,
               WaitRefused("/I /WAIT:+5"), 1639},
        BoxRun{"AWaitWithAMinusSign", "MWSE", "/I /WAIT:-5", false, kRefusedTitle,
               WaitRefused("/I /WAIT:-5"), 1639},
        BoxRun{"TwoWaits", "MWSE", "/I /WAIT:5 /WAIT:7", false, kRefusedTitle,
               WaitRefused("/I /WAIT:5 /WAIT:7"), 1639},
        BoxRun{"TwoLogs", "MWSE", R"(/I /LOG="a.log" /log="b.log")", false, kRefusedTitle,
               kHead + R"(Invalid log file syntax: "/I /LOG="A.LOG" /LOG="B.LOG"")" +
                   "\n\nSyntax: /LOG=\"path of the log file\"",
               1639},
        // /SHOW takes effect only once everything was accepted: the window stays hidden.
        BoxRun{"ShowWithAnEmptyProgramList", "MWSE", "/show /p:", false, kRefusedTitle,
               kHead + "Missing or invalid \"/p:\" syntax: \" /P:\"\n\n"
                       "Please specify /P:MWSEA for programs and actions.",
               1639},
        // Menu's box is ticked but disabled, so nothing enabled is selected.
        BoxRun{"AProgramWithoutItsPackage", "W", "/I /P:M", false, kMainTitle,
               "Please select action to perform.", 1619},
        // The window disables both actions while it loads, before the command line is read, so
        // the command is refused as one not allowed; the exit status tells the real cause.
        BoxRun{"NoPackageAtAll", "", "/I", false, kRefusedTitle, kPrivileges, 1619},
        BoxRun{"WithoutWriteAccessToTheLogonKey", "MWSE", "/I /P:M", true, kRefusedTitle,
               kPrivileges, 5}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- what packages make of a run ----------------------------------------------------------------

using CommandLine = CleanMachineTest;

TEST_F(CommandLine, ACorruptPackageEndsTheUnattendedRunWith1603AndNoBox) {
    const Watched run =
        Run(PlaceWithPackages(folder, {{"corrupt\\CVMenu.msi", "CVMenu.msi"}}), "/I /P:M");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1603));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_EQ(DemoTraces(), Captions{});
}

// The two below change their package: theirs is a copy, not the demo build's own file.
TEST_F(CommandLine, APackageAskingForARestartEndsTheRunWith3010) {
    const std::string exe = PlaceWithPackages(folder, {});
    ASSERT_TRUE(folder.CopyIn(DemoFile("CVMenu.msi"), "CVMenu.msi"));
    ASSERT_TRUE(AddScheduledReboot(folder.File("CVMenu.msi")));

    const Watched run = Run(exe, "/I /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(3010));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_EQ(ProgramsPresent(), "M");
}

TEST_F(CommandLine, CancelInThePackagesOwnWindowEndsTheRunWith1602) {
    constexpr char kSetupTitle[] = "Corvane Menu Setup";
    const std::string exe = PlaceWithPackages(folder, {kWork});
    ASSERT_TRUE(folder.CopyIn(DemoFile("CVMenu.msi"), "CVMenu.msi"));
    ASSERT_TRUE(AddStartDialog(folder.File("CVMenu.msi"), kSetupTitle));

    // The full user interface of msiexec, so that the package shows its dialog.
    Installer& installer = Start(exe, "/I /P:MW /MSI=\"/qf\"");
    HWND setup = WaitWindowOfAnyProcess(kSetupTitle);
    ASSERT_NE(setup, nullptr) << "the package's dialog did not appear";
    HWND cancel = ChildByText(setup, "Cancel");
    ASSERT_NE(cancel, nullptr);
    Press(cancel);
    const Watched run = installer.Watch();

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1602));
    EXPECT_EQ(run.visibleWindows, Captions{});
    // A cancel stops the run: Workstation, next in line, is not installed either.
    EXPECT_EQ(DemoTraces(), Captions{});
}

// ---- a second installer -------------------------------------------------------------------------

class CommandLineSecondInstaller : public CleanMachineTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(CleanMachineTest::SetUp());
        exe = PlaceWithPackages(folder, {kMenu});
        firstInstaller = &Start(exe, "");
        first = firstInstaller->WaitWindow(kMainTitle);
        ASSERT_NE(first, nullptr) << "the first installer shows no window";
    }

    // Ends the interactive first installer with its Exit button; its exit code.
    std::optional<DWORD> ExitFirst() {
        HWND exitButton = ChildByText(first, "Exit");
        EXPECT_NE(exitButton, nullptr);
        if (!exitButton) return std::nullopt;
        Press(exitButton);
        return firstInstaller->WaitExit();
    }

    std::string exe;
    Installer* firstInstaller = nullptr;
    HWND first = nullptr;
};

TEST_F(CommandLineSecondInstaller, AnUnattendedSecondEndsWith1618SilentlyAndRunsNothing) {
    const Watched run = Run(exe, "/I /P:M");

    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1618));
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_EQ(ProgramsPresent(), "");
    EXPECT_EQ(ExitFirst(), std::optional<DWORD>(0)) << "an interactive session ended by Exit";
}

TEST_F(CommandLineSecondInstaller, AnInteractiveSecondSaysSoAndEndsWith1618) {
    Installer& second = Start(exe, "");
    HWND box = second.WaitMessageBox();
    ASSERT_NE(box, nullptr) << "the second installer shows no box";
    EXPECT_EQ(ReadBox(box), (BoxSeen{"Corvane Installer",
                                     "Another Corvane Installer is already running.\n"
                                     "Please wait until it has finished, then start it again.",
                                     kOkOnly}));
    EXPECT_EQ(second.VisibleWindows(), Captions{"Corvane Installer"}) << "the box is all it shows";
    ASSERT_TRUE(Answer(box, IDOK));

    EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(1618));
    EXPECT_TRUE(testkit::Visible(first)) << "the first installer did not stay";
    EXPECT_EQ(ExitFirst(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace cvinst::e2e
