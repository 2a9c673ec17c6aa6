// Install and uninstall runs of the real CVInst.exe with the system's msiexec and the demo
// packages, driven through its windows as a user would; what they did is read back from the
// Program Files folder and the registry. Every test starts and ends with no demo product present.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/win32/text.h"
#include "driver.h"
#include "win32_machine.h"

namespace cvinst::e2e {
namespace {

constexpr char kLicenceTitle[] = "Corvane License Agreement";
constexpr char kServerKey[] = "SOFTWARE\\Corvane\\Personal Server";
constexpr char kRemovalQuestion[] = "Are you sure you want to proceed with the removal?";

constexpr char kInstalled[] = "Status: Installation Completed";
constexpr char kInstallFailed[] = "Status: Installation Failed";
constexpr char kUninstalled[] = "Status: Uninstallation Completed";
constexpr char kUninstallFailed[] = "Status: Uninstallation Failed";

bool IsOutcome(const std::string& status) {
    return status == kInstalled || status == kInstallFailed || status == kUninstalled ||
           status == kUninstallFailed;
}

// The uninstall entry of the product in demo/CVMenu.wxs.
constexpr char kMenuUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{1B11F220-7B71-454D-9F22-4FA5D7443D7A}";

class InstallRun : public MainWindowTest {
protected:
    void TearDown() override {
        MainWindowTest::TearDown();
        for (const std::string& file : planted) testkit::RemoveFile(file);
    }

    // Starts a copy of CVInst.exe with `packages` beside it, logging to the test's run log, and
    // finds its controls.
    void OpenWith(const std::vector<Package>& packages) {
        Open(PlaceWithPackages(folder, packages), {}, LogOption());
    }

    // The run's closing lines, each beginning with one of `lines`, in this order; they are
    // written just after its outcome is shown.
    void ExpectClosingLines(const std::vector<std::string>& lines) {
        EXPECT_TRUE(WaitUntil([&] { return Logged(lines.back()); })) << RunLog();
        const std::string log = RunLog();
        size_t at = log.rfind("] " + lines.front());
        for (const std::string& line : lines) {
            at = log.find("] " + line, at);
            ASSERT_NE(at, std::string::npos) << "not in its place: " << line << "\n" << log;
        }
    }

    // The message box the run opens; nullptr when it ends without one.
    HWND WaitMessageBoxOfRun() const {
        HWND box = nullptr;
        WaitUntil(
            [&] {
                return (box = installer->OpenBox()) != nullptr || !IsWindow(window) ||
                       IsOutcome(Text(status));
            },
            kRunDeadlineMs);
        return box;
    }

    // Presses the action button; the agreement it opens, nullptr when there is none.
    HWND OpenLicence() {
        EXPECT_EQ(Text(action), "Install Corvane");
        PostPress(action);
        return installer->WaitWindow(kLicenceTitle);
    }

    // Accepts the agreement as a user would.
    void AcceptLicence(HWND dialog) {
        ASSERT_NE(dialog, nullptr) << "no licence agreement after \"Install Corvane\"";
        HWND yes = ChildByText(dialog, "Yes, I agree");
        HWND next = ChildByText(dialog, "Continue");
        ASSERT_NE(yes, nullptr);
        ASSERT_NE(next, nullptr);
        Press(yes);
        ASSERT_TRUE(testkit::Enabled(next)) << "\"Continue\" still disabled after \"Yes, I agree\"";
        PostPress(next);
        ASSERT_TRUE(WaitGone(dialog));
    }

    void InstallThroughLicence() { AcceptLicence(OpenLicence()); }

    // The outcome on the status line once the run has ended; a message box that opens instead is
    // returned as its text, so that a test expecting an outcome fails with what was shown.
    std::string WaitOutcome() const {
        std::string seen;
        WaitUntil(
            [&] {
                if (HWND box = installer->OpenBox()) {
                    seen = "message box: " + ReadBox(box).text;
                    return true;
                }
                if (!IsWindow(window)) {
                    seen = "the window is gone";
                    return true;
                }
                seen = Text(status);
                return IsOutcome(seen);
            },
            kRunDeadlineMs);
        return seen;
    }

    std::optional<std::string> WaitServerRegistered() const {
        std::optional<std::string> path;
        WaitUntil([&] {
            return (path = RegText(kServerKey, "Registered", RegView::Programs)).has_value();
        });
        return path;
    }

    // The server's registration ran once, with the program's own path.
    void ExpectServerRegisteredOnce() {
        const std::optional<std::string> registered = WaitServerRegistered();
        ASSERT_TRUE(registered.has_value()) << "CVPServ.exe /REGISTERCOM did not run";
        EXPECT_TRUE(EqualNoCase(*registered, MarkerPath(kServer))) << *registered;
        EXPECT_EQ(RegDword(kServerKey, "RegisterCount", RegView::Programs), 1u);
    }

    std::vector<std::string> planted;  // files a test put on the machine, removed at its end
};

TEST_F(InstallRun, AllFourThroughTheLicenceAreInstalledAndTheServerRegistered) {
    OpenWith(Package::Of("MWSE"));
    for (HWND box : program) {
        EXPECT_TRUE(testkit::Enabled(box)) << Text(box);
        EXPECT_EQ(CheckState(box), BST_CHECKED) << Text(box);
    }

    HWND licence = OpenLicence();
    EXPECT_EQ(DemoTraces(), Captions{}) << "installed before the agreement";
    AcceptLicence(licence);
    EXPECT_EQ(WaitOutcome(), kInstalled);
    ExpectClosingLines({"Outcome: Status: Installation Completed",
                        "Result: Corvane Menu: installed (0)",
                        "Result: Corvane Workstation: installed (0)",
                        "Result: Corvane Personal Server: installed (0)",
                        "Result: Corvane Examples: installed (0)", "Exit status 0 (success)"});

    EXPECT_EQ(ProgramsPresent(), "MWSE");
    // Nothing but the default parameters reached the packages.
    for (const DemoProgram& p : kDemoPrograms)
        EXPECT_EQ(PackageValue(p, "DemoValue"), "default") << p.name;
    // The registration runs on its own after its install; it is not waited for.
    ExpectServerRegisteredOnce();
    EXPECT_TRUE(testkit::Enabled(action));

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, RemovalAnsweredNoChangesNothingAndYesRemovesEverything) {
    for (const DemoProgram& p : kDemoPrograms) ASSERT_NO_FATAL_FAILURE(InstallBeforehand(p));
    OpenWith(Package::Of("MWSE"));
    Press(option[1]);
    ASSERT_EQ(CheckState(option[1]), BST_CHECKED);
    EXPECT_EQ(Text(status), "Status: Ready To Uninstall Corvane");
    ASSERT_EQ(Text(action), "Uninstall Corvane");

    PostPress(action);
    HWND box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no confirmation after \"Uninstall Corvane\"";
    EXPECT_EQ(ReadBox(box), (BoxSeen{kMainTitle, kRemovalQuestion, kYesNo}));
    ASSERT_TRUE(Answer(box, IDNO));

    // A run that went on after No would be showing its progress by the time this is answered.
    ASSERT_EQ(Text(status), "Status: Ready To Uninstall Corvane");
    EXPECT_TRUE(testkit::Enabled(action));
    EXPECT_TRUE(testkit::Enabled(exitButton));
    EXPECT_EQ(ProgramsPresent(), "MWSE") << "removed after No";

    PostPress(action);
    box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no confirmation on the second press";
    EXPECT_EQ(ReadBox(box), (BoxSeen{kMainTitle, kRemovalQuestion, kYesNo}));
    ASSERT_TRUE(Answer(box, IDYES));
    EXPECT_EQ(WaitOutcome(), kUninstalled);

    EXPECT_EQ(ProgramsPresent(), "");
    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, InstallingAPresentProgramRemovesItAndInstallsItAfresh) {
    const std::optional<std::string> packaged = FileBytes(DemoFile("programs\\CVMenu.exe"));
    ASSERT_TRUE(packaged.has_value());
    OpenWith({kMenu});

    InstallThroughLicence();
    ASSERT_EQ(WaitOutcome(), kInstalled);
    ASSERT_EQ(FileBytes(MarkerPath(kMenu)), packaged);

    // Windows' msiexec leaves a changed file alone when a present product is merely installed
    // again; Wine's rewrites it anyway. What only a removal does on both is drop the
    // product's uninstall entry whole, with a value added to it.
    ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), "not the packaged Corvane Menu"));
    ASSERT_TRUE(RegSetText(kMenuUninstallKey, "CVInstE2E", "gone only with a removal"));

    InstallThroughLicence();
    EXPECT_EQ(WaitOutcome(), kInstalled);
    const std::optional<std::string> now = FileBytes(MarkerPath(kMenu));
    ASSERT_TRUE(now.has_value()) << "no " << MarkerPath(kMenu) << " after the second install";
    EXPECT_EQ(now->size(), packaged->size());
    EXPECT_TRUE(*now == *packaged) << "the marker does not hold the packaged bytes again";
    EXPECT_EQ(RegText(kMenuUninstallKey, "DisplayName"), "Corvane Menu");
    EXPECT_EQ(RegText(kMenuUninstallKey, "CVInstE2E"), std::nullopt)
        << "Corvane Menu was installed over without being removed first";
    EXPECT_EQ(ProgramsPresent(), "M");

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, ACorruptPackageIsNamedInOneErrorAndTheOthersAreStillInstalled) {
    OpenWith({{"corrupt\\CVMenu.msi", "CVMenu.msi"}, kWork, kServer, kExamples});
    for (HWND box : program) ASSERT_EQ(CheckState(box), BST_CHECKED) << Text(box);

    InstallThroughLicence();
    HWND box = WaitMessageBoxOfRun();
    ASSERT_NE(box, nullptr) << "no error box; status " << Text(status);
    const BoxSeen seen = ReadBox(box);
    RecordProperty("error_box", seen.text);
    EXPECT_EQ(seen.caption, kMainTitle);
    EXPECT_EQ(seen.buttons, kOkOnly);
    EXPECT_EQ(seen.text.rfind("Error: ", 0), 0u) << seen.text;
    EXPECT_NE(seen.text.find("Corvane Menu"), std::string::npos) << seen.text;
    for (const DemoProgram& good : {kWork, kServer, kExamples})
        EXPECT_EQ(seen.text.find(good.name), std::string::npos) << seen.text;
    // The outcome follows the box; until it is answered the last progress text stays.
    EXPECT_EQ(Text(status), "Status: Installing Corvane Examples...");
    ASSERT_TRUE(Answer(box, IDOK));

    EXPECT_EQ(WaitOutcome(), kInstallFailed);
    EXPECT_EQ(installer->OpenBox(), nullptr) << "a second box";
    EXPECT_EQ(ProgramsPresent(), "WSE");
    EXPECT_TRUE(WaitServerRegistered().has_value());
    // Wine's msiexec answers 1620 or 1627 for a package it cannot open.
    ExpectClosingLines({"Outcome: Status: Installation Failed", "Result: Corvane Menu: failed (16",
                        "Result: Corvane Workstation: installed (0)",
                        "Result: Corvane Personal Server: installed (0)",
                        "Result: Corvane Examples: installed (0)", "Exit status 1603 (failed)"});

    ExitAndExpectStatusZero();
    EXPECT_TRUE(WaitUntil([&] { return Logged("] The window was closed with Exit\r\n"); }));
}

TEST_F(InstallRun, AProgramPlantedAtTheUnquotedServerPathNeverRuns) {
    // marker.exe copied to "<Program Files>\Corvane.exe" leaves "Corvane.exe.ran" when it runs;
    // that is what an unquoted "<Program Files>\Corvane Personal Server\CVPServ.exe" starts.
    const std::string tool = ToolFile("marker.exe");
    ASSERT_TRUE(Exists(tool)) << tool << " is missing: build the marker target";
    const std::string plant = ProgramFile("Corvane.exe");
    const std::string evidence = plant + ".ran";
    planted = {plant, evidence, plant + ".part"};
    ASSERT_FALSE(Exists(plant)) << "already there: " << plant;
    ASSERT_TRUE(CopyFileW(win::Wide(tool).c_str(), win::Wide(plant).c_str(), TRUE));
    // The plant works: an unquoted command line of the server does run it.
    testkit::RunToEnd(MarkerPath(kServer) + " /REGISTERCOM", kDeadlineMs);
    ASSERT_TRUE(Exists(evidence)) << "the plant did not run from an unquoted path";
    testkit::RemoveFile(evidence);

    OpenWith({kServer});
    InstallThroughLicence();
    EXPECT_EQ(WaitOutcome(), kInstalled);
    WaitUntil(
        [&] { return RegText(kServerKey, "Registered", RegView::Programs) || Exists(evidence); });
    EXPECT_FALSE(Exists(evidence)) << "the planted " << plant << " ran";
    ExpectServerRegisteredOnce();

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, AnMsiexecPlantedBesideTheInstallerNeverRuns) {
    // marker.exe copied to "msiexec.exe" beside CVInst.exe and its packages, which is also the
    // run's current folder, leaves "msiexec.exe.ran" when it runs: what an msiexec looked for on
    // the search path would start.
    const std::string tool = ToolFile("marker.exe");
    ASSERT_TRUE(Exists(tool)) << tool << " is missing: build the marker target";
    ASSERT_TRUE(folder.CopyIn(tool, "msiexec.exe"));
    const std::string evidence = folder.File("msiexec.exe.ran");

    OpenWith({kMenu});
    InstallThroughLicence();
    EXPECT_EQ(WaitOutcome(), kInstalled);
    EXPECT_FALSE(Exists(evidence))
        << "the planted msiexec ran: " << FileBytes(evidence).value_or("");
    EXPECT_EQ(ProgramsPresent(), "M");

    ExitAndExpectStatusZero();
}

// Another installation holds the Windows Installer: the window counts the wait down, and its
// Cancel ends the run at once, asks nothing and names what it left.
TEST_F(InstallRun, AWaitForAnotherInstallationCountsDownAndCancelEndsItAtOnce) {
    testkit::InstallationInProgress other;
    ASSERT_TRUE(other.Held());
    OpenWith(Package::Of("MW"));
    InstallThroughLicence();

    const std::string waiting =
        "Status: Installing Corvane Menu: Waiting For Another Installation To Finish (";
    // The seconds left that the status line shows; -1 when it shows no countdown.
    const auto secondsLeft = [&](const std::string& text) {
        unsigned minutes = 0, seconds = 0;
        if (!text.starts_with(waiting) ||
            std::sscanf(text.c_str() + waiting.size(), "%u:%u left)...", &minutes, &seconds) != 2) {
            return -1;
        }
        return static_cast<int>(minutes * 60 + seconds);
    };
    std::string first, later;
    ASSERT_TRUE(WaitUntil([&] { return secondsLeft(first = Text(status)) >= 0; })) << first;
    EXPECT_GT(secondsLeft(first), 590) << first;
    ASSERT_TRUE(
        WaitUntil([&] { return secondsLeft(later = Text(status)) < secondsLeft(first); }, 5000))
        << later;
    EXPECT_GE(secondsLeft(later), 0) << later;
    EXPECT_EQ(Text(exitButton), "Cancel");
    EXPECT_TRUE(testkit::Enabled(exitButton));
    EXPECT_FALSE(testkit::Enabled(action));
    EXPECT_EQ(ProgramsPresent(), "") << "msiexec ran while the other installation held it";

    const std::string cancelled =
        "Status: Installation Cancelled; Not Processed: Corvane Menu, Corvane Workstation";
    const ULONGLONG pressed = GetTickCount64();
    PostPress(exitButton);
    ASSERT_TRUE(WaitUntil([&] { return Text(status) == cancelled; })) << Text(status);
    EXPECT_LT(GetTickCount64() - pressed, 1000u) << "the wait did not end at once";
    EXPECT_EQ(installer->OpenBox(), nullptr) << "Cancel asked something";
    EXPECT_EQ(Text(exitButton), "Exit");
    EXPECT_TRUE(testkit::Enabled(exitButton));
    EXPECT_EQ(DemoTraces(), Captions{});
    EXPECT_TRUE(Logged("] The wait was cancelled after ")) << RunLog();
    ExpectClosingLines({"The run was cancelled before: Corvane Menu, Corvane Workstation",
                        "Outcome: " + cancelled, "Result: Corvane Menu: not processed",
                        "Result: Corvane Workstation: not processed",
                        "Exit status 1602 (cancelled)"});

    other.Release();
    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, WhileASlowInstallRunsTheWindowAnswersAndRefusesToClose) {
    OpenWith({kMenu, {"slow\\CVWork.msi", "CVWork.msi"}, kServer, kExamples});
    for (int i : {0, 2, 3}) Press(program[i]);
    ASSERT_EQ(CheckState(program[0]), BST_UNCHECKED);
    ASSERT_EQ(CheckState(program[1]), BST_CHECKED);
    ASSERT_EQ(CheckState(program[2]), BST_UNCHECKED);
    ASSERT_EQ(CheckState(program[3]), BST_UNCHECKED);

    InstallThroughLicence();
    // The slow msiexec, watched from outside: what the window does while it still runs, it does
    // during the wait.
    const std::string progress = "Status: Installing Corvane Workstation...";
    win::unique_handle msiexec;
    std::optional<std::string> shown;
    WaitUntil(
        [&] {
            msiexec = OpenChildProcess(installer->Id(), "msiexec.exe");
            if (msiexec) return true;
            shown = testkit::TextWithin(status, 2000);
            return shown && IsOutcome(*shown);
        },
        kRunDeadlineMs);
    ASSERT_TRUE(msiexec) << "no msiexec of the installer seen; status " << shown.value_or("?");

    const std::optional<std::string> answer = testkit::TextWithin(status, kDeadlineMs);
    ASSERT_TRUE(StillRunning(msiexec.get()))
        << "the status line answered only after msiexec had ended: " << answer.value_or("");
    EXPECT_EQ(answer, progress);
    EXPECT_FALSE(testkit::Enabled(action));
    EXPECT_FALSE(testkit::Enabled(exitButton));

    // The close box, then the close message itself; the tick posted after them shows when the
    // window has taken them. Corvane Menu's turn has passed, so the tick changes nothing now.
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    PostPress(program[0]);
    WaitUntil([&] { return !IsWindow(window) || CheckState(program[0]) == BST_CHECKED; });
    ASSERT_TRUE(IsWindow(window)) << "the window closed while msiexec ran";
    ASSERT_EQ(CheckState(program[0]), BST_CHECKED) << "the posted tick was not taken";
    ASSERT_TRUE(StillRunning(msiexec.get()))
        << "the window took the close requests only after msiexec had ended";

    EXPECT_EQ(WaitOutcome(), kInstalled);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ProgramsPresent(), "W");
    EXPECT_TRUE(Exists(ProgramFile("Corvane Workstation\\payload.bin")))
        << "not the slow package that was installed";

    ExitAndExpectStatusZero();
}

}  // namespace
}  // namespace cvinst::e2e
