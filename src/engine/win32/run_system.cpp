#include "engine/win32/run_system.h"

#include <windows.h>

#include "engine/win32/process.h"
#include "support/win32/regis.h"

namespace cvinst {

std::string WinRunSystem::InstallerFolder() { return cvinst::InstallerFolder(); }

void WinRunSystem::SetCurrentFolder(const std::string& folder) { cvinst::SetCurrentFolder(folder); }

std::string WinRunSystem::ProgramFilesDir() {
    return RegReadText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                       "ProgramFilesDir", "");
}

std::string WinRunSystem::FindFile(const std::string& path) { return cvinst::FindFile(path); }

MsiResult WinRunSystem::RunMsiExec(const std::string& arguments) { return cvinst::RunMsiExec(arguments); }

bool WinRunSystem::StartProcess(const std::string& exePath, const std::string& arguments) {
    return StartDetached(exePath, arguments, SW_SHOWMINIMIZED);
}

std::string WinRunSystem::ErrorText(unsigned long code) { return SystemErrorText(code); }

}  // namespace cvinst
