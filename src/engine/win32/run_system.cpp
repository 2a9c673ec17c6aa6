#include "engine/win32/run_system.h"

#include <windows.h>

#include "base/win32/handles.h"
#include "base/win32/system_error.h"
#include "base/win32/text.h"
#include "engine/msi_arguments.h"
#include "engine/win32/process.h"
#include "support/strings.h"
#include "support/win32/log_file.h"
#include "support/win32/regis.h"

namespace cvinst {

namespace {

// The whole command line of msiexec started from `msiexec`, its full path.
std::wstring MsiExecCommandLine(const std::wstring& msiexec, const std::string& arguments) {
    return L"\"" + msiexec + L"\" " + win::Wide(arguments);
}

std::wstring MsiExecPath() {
    const std::wstring folder = SystemFolder();
    return folder.empty() ? std::wstring() : folder + L"\\msiexec.exe";
}

constexpr wchar_t kInstallerMutex[] = L"Global\\_MSIExecute";

}  // namespace

std::string WinRunSystem::InstallerFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L'\\');
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return win::Utf8(path);
}

// The packages are 32-bit packages and install under the 32-bit Program Files folder, which the
// 32-bit registry view names whatever this program's own architecture. A 64-bit Windows without
// WoW64 (Windows PE, Server Core with it removed) has no such view; its native view still names
// the folder.
std::string WinRunSystem::ProgramFilesDir() {
    constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    const std::string dir = RegReadUnicodeText(HKEY_LOCAL_MACHINE, kCurrentVersion,
                                               "ProgramFilesDir", "", KEY_WOW64_32KEY);
    if (!dir.empty()) return dir;
    return RegReadUnicodeText(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir (x86)", "",
                              KEY_WOW64_64KEY);
}

std::string WinRunSystem::FindFile(const std::string& path) {
    WIN32_FIND_DATAW data{};
    const win::unique_hfind find(FindFirstFileW(win::Wide(path).c_str(), &data));
    if (!find) return {};
    const std::wstring_view name(data.cFileName, std::size(data.cFileName));
    return win::Utf8(name.substr(0, name.find(L'\0')));
}

MsiResult WinRunSystem::RunMsiExec(const std::string& arguments) {
    const std::wstring msiexec = MsiExecPath();
    if (msiexec.empty()) return {false, 0, "could not be started: the system folder is unknown"};
    return RunAndWait(msiexec, MsiExecCommandLine(msiexec, arguments));
}

bool WinRunSystem::MsiCommandFits(const std::string& arguments) {
    return MsiExecCommandLine(MsiExecPath(), arguments).size() < kLongestCommandLine;
}

std::string WinRunSystem::HoldStepLog(const std::string& path) {
    StepLog stepLog = cvinst::HoldStepLog(path);
    stepLog_ = std::move(stepLog.held);
    return stepLog.problem;
}

void WinRunSystem::ReleaseStepLog() { stepLog_.reset(); }

bool WinRunSystem::StartProcess(const std::string& exePath, const std::string& arguments) {
    return StartProgram(win::Wide(exePath), win::Wide(QuoteStr(exePath) + arguments),
                        SW_SHOWMINIMIZED);
}

std::string WinRunSystem::ErrorText(unsigned long code) { return win::SystemErrorText(code); }

bool WinRunSystem::WaitForInstaller(unsigned long timeoutMs, const StopAsked& stop) {
    const win::unique_handle mutex(OpenMutexW(SYNCHRONIZE, FALSE, kInstallerMutex));
    // No such mutex: no installation is running. (Without the right to open it, msiexec will
    // answer 1618 if one is, and the run tries again.)
    if (!mutex) return true;
    const DWORD wait = WaitDispatching(mutex.get(), timeoutMs, stop);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED_0) return false;
    // Taken only to learn that it is free: msiexec must be able to take it at once.
    ReleaseMutex(mutex.get());
    return true;
}

void WinRunSystem::Pause(unsigned long milliseconds, const StopAsked& stop) {
    WaitDispatching(nullptr, milliseconds, stop);
}

uint64_t WinRunSystem::Milliseconds() { return GetTickCount64(); }

}  // namespace cvinst
