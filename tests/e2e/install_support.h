#pragma once
// What the install tests need beside the driver: files put on the machine and taken away again,
// and a look at the msiexec an installer is running. Texts are UTF-8.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "forms/handles.h"

namespace cvinst::e2e {

void DeleteFileIfAny(const std::string& path);
// A hard link where the file system allows one (the slow package is large), a copy otherwise.
bool LinkOrCopy(const std::string& source, const std::string& target);

// A running child of the process `parentId` with this executable name, opened for waiting;
// empty when there is none.
win::unique_handle OpenChildProcess(DWORD parentId, std::string_view exeName);
bool StillRunning(HANDLE process);

// WM_GETTEXT sent with a timeout: the text, or nothing when the window did not answer in time.
std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs);

}  // namespace cvinst::e2e
