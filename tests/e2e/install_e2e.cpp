// Install and uninstall runs of the real CVInst.exe with the system's msiexec and the demo
// packages, driven through its windows as a user would; what they did is read back from the
// Program Files folder and the registry. Every test starts and ends with no demo product present.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "forms/text.h"
#include "install_support.h"

namespace cvinst::e2e {
namespace {

constexpr char kTitle[] = "Corvane Installer 1.0";
constexpr char kLicenceTitle[] = "Corvane License Agreement";
constexpr char kServerKey[] = "SOFTWARE\\Corvane\\Personal Server";

constexpr char kInstalled[] = "Status: Installation Completed";
constexpr char kInstallFailed[] = "Status: Installation Failed";
constexpr char kUninstalled[] = "Status: Uninstallation Completed";
constexpr char kUninstallFailed[] = "Status: Uninstallation Failed";

bool IsOutcome(const std::string& status) {
    return status == kInstalled || status == kInstallFailed || status == kUninstalled ||
           status == kUninstallFailed;
}

using Program = DemoProgram;
constexpr const Program* kPrograms[] = {&kMenu, &kWork, &kServer, &kExamples};

// The uninstall entry of the product in demo/CVMenu.wxs.
constexpr char kMenuUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    "{1B11F220-7B71-454D-9F22-4FA5D7443D7A}";

// A file of the demo build and the name it gets beside the installer.
struct Placed {
    std::string source;
    std::string name;
};

Placed Built(const Program& program) {
    return {std::string(program.package), std::string(program.package)};
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(ProgramFilesDir().size(), 4u) << "no ProgramFilesDir in the registry";
        RemoveDemoProducts();
        for (const Program* program : kPrograms)
            ASSERT_FALSE(FileExists(MarkerPath(*program))) << "left over: " << MarkerPath(*program);
        ASSERT_FALSE(RegKeyExists("SOFTWARE\\Corvane"));
    }

    void TearDown() override {
        installer.reset();
        RemoveDemoProducts();
        for (const std::string& file : planted) DeleteFileIfAny(file);
    }

    // Starts a copy of CVInst.exe with `packages` beside it and finds its controls.
    void Start(const std::vector<Placed>& packages) {
        ASSERT_TRUE(LinkOrCopy(BuiltInstaller(), folder.File("CVInst.exe")));
        for (const Placed& package : packages)
            ASSERT_TRUE(LinkOrCopy(DemoFile(package.source), folder.File(package.name)))
                << package.source;
        installer = std::make_unique<Installer>(folder.File("CVInst.exe"), "", folder.Path());
        ASSERT_TRUE(installer->Started());
        window = installer->WaitWindow(kTitle);
        ASSERT_NE(window, nullptr) << "no visible window \"" << kTitle << "\"";
        for (int i = 0; i < 2; ++i) option[i] = ChildByClass(window, "Button", i);
        for (int i = 0; i < 4; ++i) program[i] = ChildByClass(window, "Button", 2 + i);
        action = ChildByClass(window, "Button", 7);
        exitButton = ChildByClass(window, "Button", 8);
        status = ChildByClass(window, "Static", 2);
        for (HWND c : {option[0], option[1], program[0], program[1], program[2], program[3], action,
                       exitButton, status})
            ASSERT_NE(c, nullptr);
        ASSERT_EQ(Text(exitButton), "Exit");
    }

    // The visible message box of the installer, if one is open now.
    HWND OpenMessageBox() const {
        for (HWND hwnd : installer->Windows())
            if (IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770") return hwnd;
        return nullptr;
    }

    // The message box the run opens; nullptr when it ends without one.
    HWND WaitMessageBoxOfRun() const {
        HWND box = nullptr;
        WaitUntil(
            [&] {
                return (box = OpenMessageBox()) != nullptr || !IsWindow(window) ||
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
        ASSERT_TRUE(Enabled(next)) << "\"Continue\" still disabled after \"Yes, I agree\"";
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
                if (HWND box = OpenMessageBox()) {
                    seen = "message box: " + MessageBoxText(box);
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
        WaitUntil([&] { return (path = RegText(kServerKey, "Registered")).has_value(); },
                  kDeadlineMs);
        return path;
    }

    void ExitAndExpectStatusZero() {
        ASSERT_TRUE(Enabled(exitButton));
        Press(exitButton);
        EXPECT_TRUE(WaitGone(window));
        const std::optional<DWORD> code = installer->WaitExit();
        ASSERT_TRUE(code.has_value()) << "CVInst.exe did not end after Exit";
        EXPECT_EQ(*code, 0u);
    }

    TempFolder folder;  // before the process: it outlives it
    std::unique_ptr<Installer> installer;
    std::vector<std::string> planted;  // files a test put on the machine, removed at its end
    HWND window = nullptr;
    HWND option[2] = {};
    HWND program[4] = {};
    HWND action = nullptr, exitButton = nullptr, status = nullptr;
};

TEST_F(InstallRun, AllFourThroughTheLicenceAreInstalledAndTheServerRegistered) {
    Start({Built(kMenu), Built(kWork), Built(kServer), Built(kExamples)});
    for (HWND box : program) {
        EXPECT_TRUE(Enabled(box)) << Text(box);
        EXPECT_EQ(CheckState(box), BST_CHECKED) << Text(box);
    }

    HWND licence = OpenLicence();
    for (const Program* p : kPrograms)
        EXPECT_FALSE(FileExists(MarkerPath(*p))) << p->name << " installed before the agreement";
    AcceptLicence(licence);
    EXPECT_EQ(WaitOutcome(), kInstalled);

    for (const Program* p : kPrograms) {
        SCOPED_TRACE(p->name);
        EXPECT_TRUE(FileExists(MarkerPath(*p))) << MarkerPath(*p);
        EXPECT_EQ(RegText(p->valuesKey, "Installed"), "1");
        // Nothing but the default parameters reached the package.
        EXPECT_EQ(RegText(p->valuesKey, "DemoValue"), "default");
    }
    // The registration runs on its own after its install; it is not waited for.
    const std::optional<std::string> registered = WaitServerRegistered();
    ASSERT_TRUE(registered.has_value()) << "CVPServ.exe /REGISTERCOM did not run";
    EXPECT_TRUE(EqualNoCase(*registered, MarkerPath(kServer))) << *registered;
    EXPECT_EQ(RegDword(kServerKey, "RegisterCount"), 1u);
    EXPECT_TRUE(Enabled(action));

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, RemovalAnsweredNoChangesNothingAndYesRemovesEverything) {
    for (const Program* p : kPrograms) {
        ASSERT_EQ(RunSystemMsiExec("/i \"" + DemoFile(p->package) + "\" /qn"), 0u) << p->package;
        ASSERT_TRUE(FileExists(MarkerPath(*p))) << MarkerPath(*p);
    }
    Start({Built(kMenu), Built(kWork), Built(kServer), Built(kExamples)});
    Press(option[1]);
    ASSERT_EQ(CheckState(option[1]), BST_CHECKED);
    EXPECT_EQ(Text(status), "Status: Ready To Uninstall Corvane");
    ASSERT_EQ(Text(action), "Uninstall Corvane");

    PostPress(action);
    HWND box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no confirmation after \"Uninstall Corvane\"";
    EXPECT_EQ(MessageBoxText(box), "Are you sure you want to proceed with the removal?");
    EXPECT_EQ(Text(box), kTitle);
    EXPECT_NE(GetDlgItem(box, IDYES), nullptr);
    ASSERT_TRUE(AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(WaitGone(box));

    // A run that went on after No would be showing its progress by the time this is answered.
    ASSERT_EQ(Text(status), "Status: Ready To Uninstall Corvane");
    EXPECT_TRUE(Enabled(action));
    EXPECT_TRUE(Enabled(exitButton));
    for (const Program* p : kPrograms) {
        EXPECT_TRUE(FileExists(MarkerPath(*p))) << "removed after No: " << MarkerPath(*p);
        EXPECT_TRUE(RegKeyExists(p->valuesKey)) << p->valuesKey;
    }

    PostPress(action);
    box = installer->WaitMessageBox();
    ASSERT_NE(box, nullptr) << "no confirmation on the second press";
    EXPECT_EQ(MessageBoxText(box), "Are you sure you want to proceed with the removal?");
    ASSERT_TRUE(AnswerMessageBox(box, IDYES));
    ASSERT_TRUE(WaitGone(box));
    EXPECT_EQ(WaitOutcome(), kUninstalled);

    for (const Program* p : kPrograms) {
        EXPECT_FALSE(FileExists(MarkerPath(*p))) << "still there: " << MarkerPath(*p);
        EXPECT_FALSE(RegKeyExists(p->valuesKey)) << p->valuesKey;
    }
    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, InstallingAPresentProgramRemovesItAndInstallsItAfresh) {
    const std::optional<std::string> packaged = FileBytes(DemoFile("programs\\CVMenu.exe"));
    ASSERT_TRUE(packaged.has_value());
    Start({Built(kMenu)});

    InstallThroughLicence();
    ASSERT_EQ(WaitOutcome(), kInstalled);
    ASSERT_EQ(FileBytes(MarkerPath(kMenu)), packaged);

    // Windows' msiexec leaves a changed file alone when a present product is merely installed
    // again; Wine's rewrites it anyway. What only a removal does on both is drop the
    // product's uninstall entry whole, with a value added to it.
    const std::string other = "not the packaged Corvane Menu";
    ASSERT_TRUE(WriteFileBytes(MarkerPath(kMenu), other));
    ASSERT_EQ(FileBytes(MarkerPath(kMenu)), other);
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
    EXPECT_EQ(RegText(kMenu.valuesKey, "Installed"), "1");

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, ACorruptPackageIsNamedInOneErrorAndTheOthersAreStillInstalled) {
    Start({{"corrupt\\CVMenu.msi", "CVMenu.msi"}, Built(kWork), Built(kServer), Built(kExamples)});
    for (HWND box : program) ASSERT_EQ(CheckState(box), BST_CHECKED) << Text(box);

    InstallThroughLicence();
    HWND box = WaitMessageBoxOfRun();
    ASSERT_NE(box, nullptr) << "no error box; status " << Text(status);
    const std::string text = MessageBoxText(box);
    RecordProperty("error_box", text);
    EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
    EXPECT_NE(text.find("Corvane Menu"), std::string::npos) << text;
    for (const Program* good : {&kWork, &kServer, &kExamples})
        EXPECT_EQ(text.find(good->name), std::string::npos) << text;
    EXPECT_EQ(Text(box), kTitle);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    // The outcome follows the box; until it is answered the last progress text stays.
    EXPECT_EQ(Text(status), "Status: Installing Corvane Examples...");
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(WaitGone(box));

    EXPECT_EQ(WaitOutcome(), kInstallFailed);
    EXPECT_EQ(OpenMessageBox(), nullptr) << "a second box";
    EXPECT_FALSE(FileExists(MarkerPath(kMenu)));
    EXPECT_FALSE(RegKeyExists(kMenu.valuesKey));
    for (const Program* good : {&kWork, &kServer, &kExamples}) {
        EXPECT_TRUE(FileExists(MarkerPath(*good))) << MarkerPath(*good);
        EXPECT_EQ(RegText(good->valuesKey, "Installed"), "1") << good->name;
    }
    EXPECT_TRUE(WaitServerRegistered().has_value());

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, AProgramPlantedAtTheUnquotedServerPathNeverRuns) {
    // marker.exe copied to "<Program Files>\Corvane.exe" leaves "Corvane.exe.ran" when it runs;
    // that is what an unquoted "<Program Files>\Corvane Personal Server\CVPServ.exe" starts.
    const std::string tool = ToolFile("marker.exe");
    ASSERT_TRUE(FileExists(tool)) << tool << " is missing: build the marker target";
    const std::string plant = ProgramFile("Corvane.exe");
    const std::string evidence = plant + ".ran";
    planted = {plant, evidence, plant + ".part"};
    ASSERT_FALSE(FileExists(plant)) << "already there: " << plant;
    ASSERT_TRUE(CopyFileW(win::Wide(tool).c_str(), win::Wide(plant).c_str(), TRUE));
    {
        // The plant works: an unquoted command line of the server does run it.
        std::wstring line = win::Wide(MarkerPath(kServer) + " /REGISTERCOM");
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &si, &pi));
        WaitForSingleObject(pi.hProcess, kDeadlineMs);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_TRUE(FileExists(evidence)) << "the plant did not run from an unquoted path";
        DeleteFileIfAny(evidence);
    }

    Start({Built(kServer)});
    InstallThroughLicence();
    EXPECT_EQ(WaitOutcome(), kInstalled);
    WaitUntil([&] { return RegText(kServerKey, "Registered") || FileExists(evidence); },
              kDeadlineMs);
    EXPECT_FALSE(FileExists(evidence)) << "the planted " << plant << " ran";
    const std::optional<std::string> registered = WaitServerRegistered();
    ASSERT_TRUE(registered.has_value()) << "CVPServ.exe /REGISTERCOM did not run";
    EXPECT_TRUE(EqualNoCase(*registered, MarkerPath(kServer))) << *registered;
    EXPECT_EQ(RegDword(kServerKey, "RegisterCount"), 1u);

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, AnMsiexecPlantedBesideTheInstallerNeverRuns) {
    // marker.exe copied to "msiexec.exe" beside CVInst.exe and its packages, which is also the
    // run's current folder, leaves "msiexec.exe.ran" when it runs: what an msiexec looked for on
    // the search path would start.
    const std::string tool = ToolFile("marker.exe");
    ASSERT_TRUE(FileExists(tool)) << tool << " is missing: build the marker target";
    ASSERT_TRUE(LinkOrCopy(tool, folder.File("msiexec.exe")));
    const std::string evidence = folder.File("msiexec.exe.ran");

    Start({Built(kMenu)});
    InstallThroughLicence();
    EXPECT_EQ(WaitOutcome(), kInstalled);
    EXPECT_FALSE(FileExists(evidence))
        << "the planted msiexec ran: " << FileBytes(evidence).value_or("");
    EXPECT_TRUE(FileExists(MarkerPath(kMenu))) << MarkerPath(kMenu);
    EXPECT_EQ(RegText(kMenu.valuesKey, "Installed"), "1");

    ExitAndExpectStatusZero();
}

TEST_F(InstallRun, WhileASlowInstallRunsTheWindowAnswersAndRefusesToClose) {
    Start({Built(kMenu), {"slow\\CVWork.msi", "CVWork.msi"}, Built(kServer), Built(kExamples)});
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
            shown = TextWithin(status, 2000);
            return shown && IsOutcome(*shown);
        },
        kRunDeadlineMs);
    ASSERT_TRUE(msiexec) << "no msiexec of the installer seen; status " << shown.value_or("?");

    const std::optional<std::string> answer = TextWithin(status, kDeadlineMs);
    ASSERT_TRUE(StillRunning(msiexec.get()))
        << "the status line answered only after msiexec had ended: " << answer.value_or("");
    EXPECT_EQ(answer, progress);
    EXPECT_FALSE(Enabled(action));
    EXPECT_FALSE(Enabled(exitButton));

    // The close box, then the close message itself; the tick posted after them shows when the
    // window has taken them. Corvane Menu's turn has passed, so the tick changes nothing now.
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageW(window, WM_CLOSE, 0, 0);
    PostPress(program[0]);
    WaitUntil([&] { return !IsWindow(window) || CheckState(program[0]) == BST_CHECKED; },
              kDeadlineMs);
    ASSERT_TRUE(IsWindow(window)) << "the window closed while msiexec ran";
    ASSERT_EQ(CheckState(program[0]), BST_CHECKED) << "the posted tick was not taken";
    ASSERT_TRUE(StillRunning(msiexec.get()))
        << "the window took the close requests only after msiexec had ended";

    EXPECT_EQ(WaitOutcome(), kInstalled);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(FileExists(MarkerPath(kWork)));
    EXPECT_TRUE(FileExists(ProgramFile("Corvane Workstation\\payload.bin")))
        << "not the slow package that was installed";
    for (const Program* p : {&kMenu, &kServer, &kExamples})
        EXPECT_FALSE(FileExists(MarkerPath(*p))) << MarkerPath(*p);

    ExitAndExpectStatusZero();
}

}  // namespace
}  // namespace cvinst::e2e
