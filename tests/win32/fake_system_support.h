#pragma once
// A recording stand-in for the machine, for tests of the windows: an installer folder, a set of
// files that exist, the msiexec calls made and the exit codes they get.
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "engine/install_run.h"

namespace cvinst {

class FakeRunSystem : public RunSystem {
public:
    std::string installerFolder = R"(D:\Setup)";
    std::string programFiles = R"(C:\Program Files)";
    bool startSucceeds = true;
    // Dispatch the thread's pending window messages inside each msiexec call, as the real wait
    // does between its polls.
    bool pumpDuringMsiExec = true;
    // Runs at the start of every msiexec call, with its arguments.
    std::function<void(const std::string&)> duringMsiExec;

    // Full paths; the look-up ignores case, as the file system does.
    void AddFile(const std::string& path);
    void RemoveFile(const std::string& path);
    void AddPackage(int index);  // the program's package beside the installer
    void RemovePackage(int index);
    void MarkInstalled(int index);  // the program's marker file in its Program Files folder
    std::string PackagePath(int index) const;

    // What msiexec answers for a verb ("/i " or "/x ") on a package file; {true, 0} otherwise.
    void Answer(const std::string& verb, const std::string& package, MsiResult result);

    // What the code under test did.
    std::vector<std::string> msiCalls;
    std::vector<std::string> started;  // "exe|arguments"
    std::vector<std::string> currentFolders;
    std::vector<std::string> searched;

    std::string InstallerFolder() override { return installerFolder; }
    void SetCurrentFolder(const std::string& folder) override { currentFolders.push_back(folder); }
    std::string ProgramFilesDir() override { return programFiles; }
    std::string FindFile(const std::string& path) override;
    MsiResult RunMsiExec(const std::string& arguments) override;
    bool StartProcess(const std::string& exePath, const std::string& arguments) override;
    std::string ErrorText(unsigned long code) override;

private:
    std::set<std::string> files_;  // lower case
    std::vector<std::tuple<std::string, std::string, MsiResult>> answers_;
};

// Dispatches every message queued for this thread. A WM_QUIT found is dropped and reported, so
// that a window closed in one test does not end the modal loops of the next.
bool DispatchPendingMessages();

}  // namespace cvinst
