// What deployment tools rely on, end to end with the real msiexec: the wait for another
// installation's hold on the Windows Installer, the run log and msiexec's logs beside it, and an
// open help window that keeps no other start from running.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "driver.h"
#include "win32_machine.h"

namespace cvinst::e2e {
namespace {

using Deployment = CleanMachineTest;

TEST_F(Deployment, ARunWaitsForAnotherInstallationShowingItThenInstalls) {
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    Installer& installer =
        Start(PlaceWithPackages(folder, {kMenu}), "/I /P:M /SHOW " + LogOption());
    HWND window = installer.WaitWindow(kMainTitle);
    ASSERT_NE(window, nullptr);
    HWND status = ChildByClass(window, "Static", 2);
    const std::string waiting =
        "Status: Installing Corvane Menu: Waiting For Another Installation To Finish...";
    EXPECT_TRUE(WaitUntil([&] { return Text(status) == waiting; })) << Text(status);
    EXPECT_EQ(ProgramsPresent(), "") << "msiexec ran while the other installation held it";

    other.Release();
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(0)) << RunLog();
    EXPECT_EQ(ProgramsPresent(), "M");
    EXPECT_TRUE(
        Logged("The Windows Installer is busy with another installation: waiting up to "
               "600.0 s"));
    EXPECT_TRUE(Logged("The Windows Installer became free after "));
}

TEST_F(Deployment, AnInstallationThatOutlastsTheWaitEndsTheRunWith1618) {
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    const Watched run = Run(PlaceWithPackages(folder, {kMenu, kWork}), "/I /WAIT:2 " + LogOption());
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1618)) << RunLog();
    EXPECT_EQ(run.visibleWindows, Captions{});
    EXPECT_EQ(DemoTraces(), Captions{});
    EXPECT_TRUE(Logged("still busy after 2.0 s: giving up")) << RunLog();
    EXPECT_TRUE(Logged("The run stopped before: Corvane Menu, Corvane Workstation"));
    EXPECT_TRUE(
        Logged("Outcome: Status: Installation Stopped, Windows Installer Busy; Not "
               "Processed: Corvane Menu, Corvane Workstation"));
    EXPECT_TRUE(
        Logged("Exit status 1618 (another installation is in progress: try again "
               "later)"));
}

// Full logs, the run's and a step's, are set aside whole and new ones begun: a rerun keeps the
// evidence of the run before.
TEST_F(Deployment, LogNamesAFileAndMsiexecLogsEachStepBesideIt) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand(kMenu));
    const std::string full(10 * 1024 * 1024, 'x');
    ASSERT_TRUE(folder.MakeFolder("logs"));
    ASSERT_TRUE(folder.Write("logs\\run.log", full));
    ASSERT_TRUE(folder.Write("logs\\run_CVMenu_install.log", full));
    EXPECT_EQ(Start(exe, "/I /P:M " + LogOption()).WaitExit(), std::optional<DWORD>(0)) << RunLog();
    for (const char* old : {"logs\\run.old.log", "logs\\run_CVMenu_install.old.log"}) {
        EXPECT_EQ(FileBytes(folder.File(old)), full) << old;
    }
    EXPECT_LT(RunLog().size(), 100000u);
    EXPECT_TRUE(Logged("Command line: "));
    EXPECT_TRUE(Logged("Corvane Menu: installed, removing it and installing it again"));
    EXPECT_TRUE(Logged(R"(_CVMenu_uninstall.log")"));
    for (const char* step : {"logs\\run_CVMenu_uninstall.log", "logs\\run_CVMenu_install.log"}) {
        const std::optional<std::string> msiLog = FileBytes(folder.File(step));
        ASSERT_TRUE(msiLog.has_value()) << step << " was not written";
        EXPECT_GT(msiLog->size(), 100u) << step;
    }
}

TEST_F(Deployment, ParametersWithALogOfTheirOwnGetNoSecond) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    const std::string own = folder.File("own.log");
    EXPECT_EQ(Start(exe, "/I /P:M /MSI=\"/qb /l*v " + own + "\" " + LogOption()).WaitExit(),
              std::optional<DWORD>(0))
        << RunLog();
    EXPECT_TRUE(Exists(own));
    EXPECT_FALSE(Exists(folder.File("logs\\run_CVMenu_install.log")));
}

// An administrator's run (every run under Wine is one) logs where only administrators write.
TEST_F(Deployment, WithoutLogEveryRunAppendsToTheProtectedLogsFolder) {
    wchar_t log[MAX_PATH];
    ASSERT_GT(ExpandEnvironmentStringsW(L"%WINDIR%\\Logs\\Corvane\\CVInst.log", log, MAX_PATH), 0u);
    const std::string nonce = "unrecognised-" + std::to_string(GetTickCount64());
    // Text that matches no option is ignored: it only marks this run in the shared log.
    EXPECT_EQ(Start(PlaceWithPackages(folder, {kMenu}), nonce + " /I /P:M").WaitExit(),
              std::optional<DWORD>(0));
    const std::string written = FileBytes(win::Utf8(log)).value_or("");
    const size_t run = written.find(nonce + " /I /P:M");
    ASSERT_NE(run, std::string::npos) << win::Utf8(log);
    EXPECT_NE(written.find("Exit status 0 (success)", run), std::string::npos);
}

// A user's object under the lock's name, made before any installer ran, keeps no run out and
// slows none; the second installer still meets the first one's lock.
TEST_F(Deployment, ASameNamedObjectSomeoneElseMadeIsPassedOverAndSaidOnce) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    const win::unique_handle theirs(CreateMutexW(nullptr, TRUE, L"Local\\Corvane.CVInst"));
    ASSERT_TRUE(theirs);
    const ULONGLONG started = GetTickCount64();
    EXPECT_EQ(Start(exe, "/I /P:M " + LogOption()).WaitExit(), std::optional<DWORD>(0)) << RunLog();
    EXPECT_LT(GetTickCount64() - started, 60000u) << "it waited for the object";
    EXPECT_EQ(ProgramsPresent(), "M");
    const std::string log = RunLog();
    const std::string said =
        "Passed over as no installer's lock: Local\\Corvane.CVInst has no owner";
    const size_t first = log.find(said);
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(said, first + 1), std::string::npos) << "said more than once";
}

TEST_F(Deployment, AnOpenHelpWindowKeepsNoOtherStartFromRunning) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    Installer& help = Start(exe, "?");
    HWND helpWindow = help.WaitWindow("Corvane Installer Help");
    ASSERT_NE(helpWindow, nullptr);

    EXPECT_EQ(Start(exe, "/I /P:M").WaitExit(), std::optional<DWORD>(0));
    EXPECT_EQ(ProgramsPresent(), "M");

    Press(ChildByText(helpWindow, "OK"));
    EXPECT_EQ(help.WaitExit(), std::optional<DWORD>(0));
}

TEST_F(Deployment, ALogThatCannotBeWrittenIsSaidOnceAndStopsNothing) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    ASSERT_TRUE(folder.Write("blocker", "a file where the log's folder would have to be"));
    const std::string log = folder.File("blocker\\run.log");
    Installer& interactive = Start(exe, "/LOG=\"" + log + "\"");
    HWND window = interactive.WaitWindow(kMainTitle);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Text(ChildByClass(window, "Static", 2)), "Status: The Log Cannot Be Written: " + log);
    Press(ChildByText(window, "Exit"));
    EXPECT_EQ(interactive.WaitExit(), std::optional<DWORD>(0));

    // msiexec is asked for no log beside one that cannot be written: it would fail the install.
    EXPECT_EQ(Start(exe, "/I /P:M /LOG=\"" + log + "\"").WaitExit(), std::optional<DWORD>(0));
    EXPECT_EQ(ProgramsPresent(), "M");
}

// A hard link planted at the log's path is not written through; a device as the log gives
// msiexec no step log, and the install goes on.
TEST_F(Deployment, ALinkOrADeviceAsTheLogHarmsNothing) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    ASSERT_TRUE(folder.Write("secret.txt", "someone else's file"));
    ASSERT_TRUE(CreateHardLinkW(win::Wide(folder.File("planted.log")).c_str(),
                                win::Wide(folder.File("secret.txt")).c_str(), nullptr));
    EXPECT_EQ(Start(exe, "/I /P:M /LOG=\"" + folder.File("planted.log") + "\"").WaitExit(),
              std::optional<DWORD>(0));
    EXPECT_EQ(FileBytes(folder.File("secret.txt")), "someone else's file");
    EXPECT_EQ(ProgramsPresent(), "M");

    ASSERT_NO_FATAL_FAILURE(RemoveDemoProducts());
    EXPECT_EQ(Start(exe, "/I /P:M /LOG=\"NUL\"").WaitExit(), std::optional<DWORD>(0));
    EXPECT_EQ(ProgramsPresent(), "M");
}

TEST_F(Deployment, TheLogHasEveryBoxWithItsTextAndAnswer) {
    Installer& installer = Start(PlaceWithPackages(folder, {kMenu}), "/I /P:Q " + LogOption());
    HWND box = installer.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(1639));
    EXPECT_TRUE(
        Logged("Message box \"Corvane Automatic Installation\": Invalid command line "
               "parameters.\\n\\nMissing or invalid \"/p:\" syntax: \"/I /P:Q \"\\n\\n"
               "Please specify /P:MWSEA for programs and actions. -> OK\r\n"))
        << RunLog();
    EXPECT_TRUE(Logged("Exit status 1639 (the command line was refused)\r\n"));
}

}  // namespace
}  // namespace cvinst::e2e
