#pragma once
// Starting a program and waiting for it while the window keeps working.
#include <string>

#include "engine/install_run.h"

namespace cvinst {

// Starts `application` (a full path, never searched for) with the complete command line and waits
// for it, dispatching this thread's window messages meanwhile. A WM_QUIT taken from the queue
// during the wait is posted again once the wait is over.
MsiResult RunAndWait(const std::wstring& application, const std::wstring& commandLine);

// Starts `application` with the complete command line and `showCmd` for its first window, and
// does not wait for it.
bool StartProgram(const std::wstring& application, const std::wstring& commandLine, int showCmd);

// The system folder ("C:\windows\system32" or its 32-bit counterpart), "" when unknown.
std::wstring SystemFolder();

}  // namespace cvinst
