// What deployment tools rely on, end to end with the real msiexec: the wait for another
// installation's hold on the Windows Installer, the run log and msiexec's logs beside it, and an
// open help window that keeps no other start from running.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "cmdline_support.h"
#include "driver.h"
#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst::e2e::cmdline {
namespace {

constexpr char kTitle[] = "Corvane Installer 1.0";

// Holds the Windows Installer's mutex, as a running installation does (Wine's own msiexec takes
// none), from a thread of the test until Release.
class InstallationInProgress {
public:
    InstallationInProgress() {
        holder_ = std::thread([this] {
            win::unique_handle mutex(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
            held_ = static_cast<bool>(mutex);
            taken_.store(true);
            while (!release_.load()) Sleep(10);
            if (mutex) ReleaseMutex(mutex.get());
        });
        while (!taken_.load()) Sleep(1);
    }
    ~InstallationInProgress() {
        Release();
        holder_.join();
    }
    bool Held() const { return held_; }
    void Release() { release_.store(true); }

private:
    std::thread holder_;
    std::atomic<bool> taken_{false}, release_{false};
    bool held_ = false;
};

class Deployment : public CleanMachineTest {
protected:
    std::string LogOption() const { return "/LOG=\"" + folder.File("logs\\run.log") + "\""; }
    std::string Log() const { return FileBytes(folder.File("logs\\run.log")).value_or(""); }
    bool Logged(std::string_view text) const { return Log().find(text) != std::string::npos; }
    // Corvane Menu beside CVInst, and already installed by an earlier installation.
    void InstallBeforehand() {
        PlaceWithPackages(folder, {kMenu});
        ASSERT_EQ(RunSystemMsiExec("/i \"" + folder.File("CVMenu.msi") + "\" /qn ALLUSERS=2"),
                  std::optional<DWORD>(0));
        ASSERT_TRUE(MarkerPresent(kMenu));
    }

    TempFolder folder;
};

TEST_F(Deployment, ARunWaitsForAnotherInstallationShowingItThenInstalls) {
    InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    Installer installer(PlaceWithPackages(folder, {kMenu}), "/I /P:M /SHOW " + LogOption(),
                        folder.Path());
    ASSERT_TRUE(installer.Started());
    HWND window = installer.WaitWindow(kTitle);
    ASSERT_NE(window, nullptr);
    HWND status = ChildByClass(window, "Static", 2);
    const std::string waiting =
        "Status: Installing Corvane Menu: Waiting For Another Installation To Finish...";
    EXPECT_TRUE(WaitUntil([&] { return Text(status) == waiting; }, kDeadlineMs)) << Text(status);
    EXPECT_FALSE(MarkerPresent(kMenu)) << "msiexec ran while the other installation held it";

    other.Release();
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(0)) << Log();
    EXPECT_TRUE(MarkerPresent(kMenu));
    EXPECT_TRUE(
        Logged("The Windows Installer is busy with another installation: waiting up to "
               "600.0 s"));
    EXPECT_TRUE(Logged("The Windows Installer became free after "));
}

TEST_F(Deployment, AnInstallationThatOutlastsTheWaitEndsTheRunWith1618) {
    InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    Installer installer(PlaceWithPackages(folder, {kMenu, kWork}), "/I /WAIT:2 " + LogOption(),
                        folder.Path());
    ASSERT_TRUE(installer.Started());
    const Watched run = WatchUntilExit(installer);
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1618)) << Log();
    EXPECT_EQ(run.visibleWindows, std::vector<std::string>{});
    EXPECT_EQ(DemoTraces(), std::vector<std::string>{});
    EXPECT_TRUE(Logged("still busy after 2.0 s: giving up")) << Log();
    EXPECT_TRUE(Logged("The run stopped before: Corvane Menu, Corvane Workstation"));
    EXPECT_TRUE(
        Logged("Outcome: Status: Installation Stopped, Windows Installer Busy; Not "
               "Processed: Corvane Menu, Corvane Workstation"));
    EXPECT_TRUE(
        Logged("Exit status 1618 (another installation is in progress: try again "
               "later)"));
}

TEST_F(Deployment, LogNamesAFileAndMsiexecLogsEachStepBesideIt) {
    ASSERT_NO_FATAL_FAILURE(InstallBeforehand());
    Installer installer(folder.File("CVInst.exe"), "/I /P:M " + LogOption(), folder.Path());
    ASSERT_TRUE(installer.Started());
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(0)) << Log();
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
    PlaceWithPackages(folder, {kMenu});
    const std::string own = folder.File("own.log");
    Installer installer(folder.File("CVInst.exe"),
                        "/I /P:M /MSI=\"/qb /l*v " + own + "\" " + LogOption(), folder.Path());
    ASSERT_TRUE(installer.Started());
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(0)) << Log();
    EXPECT_TRUE(FileExists(own));
    EXPECT_FALSE(FileExists(folder.File("logs\\run_CVMenu_install.log")));
}

TEST_F(Deployment, WithoutLogEveryRunAppendsToTheTemporaryFolder) {
    wchar_t temp[MAX_PATH + 1];
    const std::string log =
        win::Utf8(std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp))) + "CVInst.log";
    const std::string nonce = "unrecognised-" + std::to_string(GetTickCount64());
    // Text that matches no option is ignored: it only marks this run in the shared log.
    Installer installer(PlaceWithPackages(folder, {kMenu}), nonce + " /I /P:M", folder.Path());
    ASSERT_TRUE(installer.Started());
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(0));
    const std::string written = FileBytes(log).value_or("");
    const size_t run = written.find(nonce + " /I /P:M");
    ASSERT_NE(run, std::string::npos) << log;
    EXPECT_NE(written.find("Exit status 0 (success)", run), std::string::npos);
}

TEST_F(Deployment, AnOpenHelpWindowKeepsNoOtherStartFromRunning) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    Installer help(exe, "?", folder.Path());
    ASSERT_TRUE(help.Started());
    HWND helpWindow = help.WaitWindow("Corvane Installer Help");
    ASSERT_NE(helpWindow, nullptr);

    Installer run(exe, "/I /P:M", folder.Path());
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.WaitExit(), std::optional<DWORD>(0));
    EXPECT_TRUE(MarkerPresent(kMenu));

    Press(ChildByText(helpWindow, "OK"));
    EXPECT_EQ(help.WaitExit(), std::optional<DWORD>(0));
}

TEST_F(Deployment, ALogThatCannotBeWrittenIsSaidOnceAndStopsNothing) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    folder.Write("blocker", "a file where the log's folder would have to be");
    const std::string log = folder.File("blocker\\run.log");
    {
        Installer interactive(exe, "/LOG=\"" + log + "\"", folder.Path());
        ASSERT_TRUE(interactive.Started());
        HWND window = interactive.WaitWindow(kTitle);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(Text(ChildByClass(window, "Static", 2)),
                  "Status: The Log Cannot Be Written: " + log);
        Press(ChildByText(window, "Exit"));
        EXPECT_EQ(interactive.WaitExit(), std::optional<DWORD>(0));
    }
    // msiexec is asked for no log beside one that cannot be written: it would fail the install.
    Installer unattended(exe, "/I /P:M /LOG=\"" + log + "\"", folder.Path());
    ASSERT_TRUE(unattended.Started());
    EXPECT_EQ(unattended.WaitExit(), std::optional<DWORD>(0));
    EXPECT_TRUE(MarkerPresent(kMenu));
}

TEST_F(Deployment, TheLogHasEveryBoxWithItsTextAndAnswer) {
    Installer installer(PlaceWithPackages(folder, {kMenu}), "/I /P:Q " + LogOption(),
                        folder.Path());
    ASSERT_TRUE(installer.Started());
    HWND box = installer.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_EQ(installer.WaitExit(), std::optional<DWORD>(1639));
    EXPECT_TRUE(
        Logged("Message box \"Corvane Automatic Installation\": Invalid command line "
               "parameters.\\n\\nMissing or invalid \"/p:\" syntax: \"/I /P:Q \"\\n\\n"
               "Please specify /P:MWSEA for programs and actions. -> OK\r\n"))
        << Log();
    EXPECT_TRUE(Logged("Exit status 1639 (the command line was refused)\r\n"));
}

}  // namespace
}  // namespace cvinst::e2e::cmdline
