#pragma once
#include "base/win32/handles.h"
#include "engine/install_run.h"

namespace cvinst {

// The run's view of the real machine: the registry, the file system and the system's msiexec.
class WinRunSystem : public RunSystem {
public:
    // The folder of the running executable, without a trailing backslash.
    std::string InstallerFolder() override;
    // Makes the folder, and its drive, current; failures are ignored.
    std::string ProgramFilesDir() override;
    // The name, as stored on disk, of the first entry matching `path` (wildcards allowed; a folder
    // matches too); "" when nothing does.
    std::string FindFile(const std::string& path) override;
    // Runs the system folder's own msiexec, never one found on the search path.
    MsiResult RunMsiExec(const std::string& arguments) override;
    bool MsiCommandFits(const std::string& arguments) override;
    // The step log stays open without sharing its deletion until ReleaseStepLog.
    std::string HoldStepLog(const std::string& path) override;
    void ReleaseStepLog() override;
    // Starts the program by its full path, quoted, with `arguments` appended, shown minimised.
    bool StartProcess(const std::string& exePath, const std::string& arguments) override;
    std::string ErrorText(unsigned long code) override;
    // Another installation holds the Windows Installer's named mutex while it runs.
    bool WaitForInstaller(unsigned long timeoutMs, const StopAsked& stop) override;
    void Pause(unsigned long milliseconds, const StopAsked& stop) override;
    uint64_t Milliseconds() override;

private:
    win::unique_hfile stepLog_;
};

}  // namespace cvinst
