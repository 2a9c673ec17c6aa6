// CVInst started where no one can see a window, as a deployment tool running as SYSTEM starts it:
// in a window station of its own (without WSF_VISIBLE), with its standard error stream going to a
// file. Nothing may wait for a person there: every run must end by itself, with its exit status.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "driver.h"

namespace cvinst::e2e {
namespace {

using win::Wide;

constexpr wchar_t kStation[] = L"CVInstTestStation";

// A window station and a desktop on it that no one sees.
class HiddenStation {
public:
    HiddenStation() {
        station_ = CreateWindowStationW(kStation, 0, WINSTA_ALL_ACCESS, nullptr);
        if (!station_) return;
        HWINSTA own = GetProcessWindowStation();
        // A desktop is made on the calling process's window station.
        if (SetProcessWindowStation(station_)) {
            desktop_ = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetProcessWindowStation(own);
        }
    }
    ~HiddenStation() {
        if (desktop_) CloseDesktop(desktop_);
        if (station_) CloseWindowStation(station_);
    }
    bool Ready() const { return station_ && desktop_; }
    std::wstring DesktopName() const { return std::wstring(kStation) + L"\\Default"; }

private:
    HWINSTA station_ = nullptr;
    HDESK desktop_ = nullptr;
};

struct HiddenRun {
    std::optional<DWORD> exitCode;  // nothing when it did not end by itself
    std::string standardError;
};

class HiddenStationRun : public CleanMachineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(station.Ready()) << "no window station of the test's own";
        CleanMachineTest::SetUp();
    }

    // Starts `exe` with `arguments` on the hidden desktop and waits for it to end by itself.
    HiddenRun RunHidden(const std::string& exe, const std::string& arguments) {
        HiddenRun run;
        const std::string errorFile = folder.File("stderr.txt");
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        win::unique_hfile error(CreateFileW(Wide(errorFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                            &inherit, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(error);
        std::wstring desktop = station.DesktopName();
        std::wstring commandLine = L"\"" + Wide(exe) + L"\" " + Wide(arguments);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.lpDesktop = desktop.data();
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdError = error.get();
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                            nullptr, Wide(folder.Path()).c_str(), &si, &pi)) {
            ADD_FAILURE() << "could not start " << exe;
            return run;
        }
        const win::unique_handle process(pi.hProcess);
        const win::unique_handle thread(pi.hThread);
        error.reset();
        if (WaitForSingleObject(process.get(), kRunDeadlineMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.get(), &code);
            run.exitCode = code;
        } else {
            TerminateProcess(process.get(), 99);
            WaitForSingleObject(process.get(), kDeadlineMs);
        }
        run.standardError = FileBytes(errorFile).value_or("");
        return run;
    }

    HiddenStation station;
};

TEST_F(HiddenStationRun, ARefusedCommandLineIsReportedWithoutABoxAndEndsWith1639) {
    const HiddenRun run = RunHidden(PlaceWithPackages(folder, {kMenu}), "/I /P:X " + LogOption());
    ASSERT_EQ(run.exitCode, std::optional<DWORD>(1639)) << "it waited on a box no one can see";
    const std::string message =
        "Invalid command line parameters.\n\nMissing or invalid \"/p:\" syntax: \"/I /P:X \"\n\n"
        "Please specify /P:MWSEA for programs and actions.";
    EXPECT_NE(run.standardError.find(message), std::string::npos) << run.standardError;
    EXPECT_NE(RunLog().find("Not shown, no one can answer here: Invalid command line parameters."),
              std::string::npos)
        << RunLog();
    EXPECT_NE(RunLog().find("Exit status 1639"), std::string::npos);
}

TEST_F(HiddenStationRun, HelpOrNoCommandLineRunsNothingAndEndsWith1639) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    const HiddenRun help = RunHidden(exe, "? " + LogOption());
    EXPECT_EQ(help.exitCode, std::optional<DWORD>(1639));
    EXPECT_NE(help.standardError.find("Corvane Installer Command Line Parameters:\n"),
              std::string::npos)
        << help.standardError;

    const HiddenRun bare = RunHidden(exe, LogOption());
    EXPECT_EQ(bare.exitCode, std::optional<DWORD>(1639));
    EXPECT_NE(bare.standardError.find("nothing was done"), std::string::npos) << bare.standardError;
    EXPECT_EQ(ProgramsPresent(), "");
}

TEST_F(HiddenStationRun, AnUnattendedInstallRunsThereAsAnywhere) {
    const HiddenRun run =
        RunHidden(PlaceWithPackages(folder, {kMenu, kWork}), "/I /P:M " + LogOption());
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0)) << RunLog();
    EXPECT_EQ(ProgramsPresent(), "M");
    EXPECT_NE(RunLog().find("The window station is not visible"), std::string::npos);
    EXPECT_NE(RunLog().find(R"(CVMenu.msi" /qn ALLUSERS=2 DISABLEADVTSHORTCUTS=1)"),
              std::string::npos)
        << "msiexec may show a box there";
    EXPECT_NE(RunLog().find("Exit status 0 (success)"), std::string::npos);
}

// A secret by its name and one the package hides reach msiexec but neither CVInst's log nor its
// standard error; parameters that let msiexec show its own window there are warned of.
TEST_F(HiddenStationRun, SecretsReachMsiexecOnly) {
    const std::string params = "/qb ADMINPASSWORD=Zebra42Secret CVWORKKEY=Hunter2Secret";
    const HiddenRun run = RunHidden(PlaceWithPackages(folder, {kWork}),
                                    "/I /P:W /MSI=\"" + params + "\" " + LogOption());
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(0)) << RunLog();
    EXPECT_EQ(RegText("SOFTWARE\\Corvane\\Packages\\CVWork", "WorkKey"), "Hunter2Secret");
    for (const std::string& text : {RunLog(), run.standardError}) {
        EXPECT_EQ(text.find("Hunter2"), std::string::npos) << text;
        EXPECT_EQ(text.find("Zebra42"), std::string::npos) << text;
    }
    EXPECT_NE(RunLog().find("/qb ADMINPASSWORD=******** CVWORKKEY=********"), std::string::npos);
    // CVWork.msi hides CVWORKKEY from msiexec's log, not ADMINPASSWORD: msiexec gets no step log.
    EXPECT_NE(RunLog().find("No step log is asked of msiexec for CVWork.msi: the parameters set "
                            "ADMINPASSWORD, which the package does not hide from it"),
              std::string::npos)
        << RunLog();
    EXPECT_FALSE(Exists(folder.File("logs\\run_CVWork_install.log")));
    EXPECT_NE(run.standardError.find("msiexec may wait for an answer nobody can give"),
              std::string::npos)
        << run.standardError;
}

TEST_F(HiddenStationRun, AMsiexecLineLongerThanWindowsTakesIsRefusedBeforeAnythingRuns) {
    const std::string exe = PlaceWithPackages(folder, {kMenu});
    // As long as CVInst's own command line may be; msiexec's adds its path and the package's.
    const std::string head = "/I /P:M " + LogOption() + " /MSI=\"/qb PADDING=";
    const size_t room = 32766 - (exe.size() + 3) - head.size() - 1;
    const HiddenRun run = RunHidden(exe, head + std::string(room, 'A') + "\"");
    EXPECT_EQ(run.exitCode, std::optional<DWORD>(1639)) << RunLog();
    EXPECT_NE(run.standardError.find("Error: The Windows Installer's command line would be longer "
                                     "than the 32767 characters Windows allows."),
              std::string::npos)
        << run.standardError.substr(0, 300);
    EXPECT_EQ(RunLog().find("msiexec /i"), std::string::npos) << "msiexec was started";
    EXPECT_EQ(ProgramsPresent(), "");
}

}  // namespace
}  // namespace cvinst::e2e
