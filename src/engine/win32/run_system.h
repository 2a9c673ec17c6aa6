#pragma once
#include "engine/install_run.h"

namespace cvinst {

// The run's view of the real machine: the registry, the file system and msiexec.
class WinRunSystem : public RunSystem {
public:
    std::string InstallerFolder() override;
    void SetCurrentFolder(const std::string& folder) override;
    std::string ProgramFilesDir() override;
    std::string FindFile(const std::string& path) override;
    MsiResult RunMsiExec(const std::string& arguments) override;
    bool StartProcess(const std::string& exePath, const std::string& arguments) override;
    std::string ErrorText(unsigned long code) override;
};

}  // namespace cvinst
