#pragma once
// A recording stand-in for the machine as the install run sees it: an installer folder, the files
// that exist, what msiexec answers, a Windows Installer that another installation may hold, and
// a clock that moves only when the run waits or msiexec runs.
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/install_run.h"
#include "support/log.h"

namespace cvinst::testkit {

class FakeRunSystem : public RunSystem {
public:
    std::string installerFolder = R"(D:\Setup)";
    std::string programFiles = R"(C:\Program Files)";
    bool startSucceeds = true;
    std::map<unsigned long, std::string> errorTexts;     // otherwise "Message <code>."
    std::map<std::string, std::string> stepLogProblems;  // by path; otherwise none
    // The longest msiexec arguments that still fit Windows' command line.
    size_t longestArguments = 32000;
    // The fake clock, in milliseconds; msiexec takes this long each time.
    uint64_t now = 0;
    uint64_t msiexecTakesMs = 0;
    // Another installation holds the Windows Installer until this time.
    uint64_t installerBusyUntil = 0;

    // Told of every call worth a line in a test's journal ("RunMsiExec: /i ...",
    // "StartProcess: exe|args", "HoldStepLog: path" when it is held, "ReleaseStepLog",
    // "WaitForInstaller: ms", "Pause: ms").
    std::function<void(const std::string&)> record;
    // Runs at the start of every msiexec call, with its arguments.
    std::function<void(const std::string&)> duringMsiExec;

    // Full paths; the look-up ignores case, as the file system does.
    void AddFile(const std::string& path);
    void RemoveFile(const std::string& path);
    void AddPackage(int index);  // the program's package beside the installer
    void RemovePackage(int index);
    void MarkInstalled(int index);  // the program's marker file in its Program Files folder
    std::string PackagePath(int index) const;

    // What msiexec answers for a verb ("/i " or "/x ") on a package file, `times` times (every
    // time when negative); the first answer that matches is used. {true, 0} otherwise.
    void Answer(const std::string& verb, const std::string& package, MsiResult result,
                int times = -1);

    // What the code under test did.
    std::vector<std::string> msiCalls;
    std::vector<std::string> started;  // "exe|arguments"
    std::vector<std::string> searched;

    std::string InstallerFolder() override { return installerFolder; }
    std::string ProgramFilesDir() override { return programFiles; }
    std::string FindFile(const std::string& path) override;
    MsiResult RunMsiExec(const std::string& arguments) override;
    bool MsiCommandFits(const std::string& arguments) override;
    std::string HoldStepLog(const std::string& path) override;
    void ReleaseStepLog() override { Record("ReleaseStepLog"); }
    bool StartProcess(const std::string& exePath, const std::string& arguments) override;
    std::string ErrorText(unsigned long code) override;
    // Both end at once, without time passing, when `stop` says so ("WaitForInstaller: stopped").
    bool WaitForInstaller(unsigned long timeoutMs, const StopAsked& stop) override;
    void Pause(unsigned long milliseconds, const StopAsked& stop) override;
    uint64_t Milliseconds() override { return now; }

private:
    struct Reply {
        std::string verb;
        std::string package;
        MsiResult result;
        int times;
    };
    void Record(const std::string& entry);
    // Whether `stop` ends a wait; a run that keeps waiting once told to stop is stopped here.
    bool Stopped(const StopAsked& stop);

    std::set<std::string> files_;  // lower case
    std::vector<Reply> replies_;
    int stoppedInARow_ = 0;
};

// A log that keeps its lines.
class RecordingLog : public Log {
public:
    void Write(std::string_view event) override { lines.emplace_back(event); }
    std::vector<std::string> lines;
};

}  // namespace cvinst::testkit
