#pragma once
// What the install tests need beside the driver: the demo packages and the system's msiexec, the
// machine's Program Files folder, files there and the values the demo programs leave in the
// registry. Registry paths are under HKEY_LOCAL_MACHINE in the 32-bit view, where the 32-bit
// packages and programs write. Texts are UTF-8.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "forms/handles.h"

namespace cvinst::e2e {

// A whole run of msiexec processes, the slow package's included; only a guard against a hang.
inline constexpr DWORD kRunDeadlineMs = 300000;

// A file of the demo build, e.g. "CVMenu.msi", "slow\\CVWork.msi", "programs\\CVMenu.exe".
std::string DemoFile(std::string_view relative);
// A program of the test tools, e.g. "marker.exe".
std::string ToolFile(std::string_view name);

// "ProgramFilesDir" of HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion, without a final "\".
std::string ProgramFilesDir();
// A path under the Program Files folder, e.g. ProgramFile("Corvane Menu\\CVMenu.exe").
std::string ProgramFile(std::string_view relative);

// Runs "<system folder>\msiexec.exe <arguments>" and waits; its exit code, nothing when it could
// not be started or did not end before the deadline.
std::optional<DWORD> RunSystemMsiExec(std::string_view arguments);
// Removes every demo product with msiexec /x on the four built packages (codes ignored), then
// HKLM\SOFTWARE\Corvane and whatever is left of the programs' folders.
void RemoveDemoProducts();

std::optional<std::string> RegText(std::string_view key, std::string_view value);
std::optional<DWORD> RegDword(std::string_view key, std::string_view value);
bool RegKeyExists(std::string_view key);
// Sets a REG_SZ value of an existing key.
bool RegSetText(std::string_view key, std::string_view value, std::string_view text);

bool FileExists(const std::string& path);
std::optional<std::string> FileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);
void DeleteFileIfAny(const std::string& path);
// A hard link where the file system allows one (the slow package is large), a copy otherwise.
bool LinkOrCopy(const std::string& source, const std::string& target);

bool EqualNoCase(std::string_view a, std::string_view b);

// Polls `done` every 50 ms; false when the deadline passed first.
bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs);

// A running child of the process `parentId` with this executable name, opened for waiting;
// empty when there is none.
win::unique_handle OpenChildProcess(DWORD parentId, std::string_view exeName);
bool StillRunning(HANDLE process);

// WM_GETTEXT sent with a timeout: the text, or nothing when the window did not answer in time.
std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs);

}  // namespace cvinst::e2e
