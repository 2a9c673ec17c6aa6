#pragma once
// Starting a program and waiting, for it or for anything else, while the window keeps working.
#include <windows.h>

#include <string>

#include "engine/install_run.h"

namespace cvinst {

// Waits up to `timeoutMs` (INFINITE: for ever) for `handle` (none: only for the time to pass),
// dispatching this thread's window messages meanwhile and looking at the handle at least every
// 250 ms. Gives WaitForSingleObject's answer; WAIT_TIMEOUT also when `stop` (asked after the
// messages of each pass are handled) ended it early. A WM_QUIT taken from the queue during the
// wait is posted again once the wait is over.
DWORD WaitDispatching(HANDLE handle, DWORD timeoutMs, const StopAsked& stop = {});

// Starts `application` (a full path, never searched for) with the complete command line and waits
// for it with WaitDispatching. The process is created on a thread of its own, since creating it
// can take tens of milliseconds in which this thread's window would not answer.
MsiResult RunAndWait(const std::wstring& application, const std::wstring& commandLine);

// Starts `application` with the complete command line and `showCmd` for its first window, and
// does not wait for it.
bool StartProgram(const std::wstring& application, const std::wstring& commandLine, int showCmd);

// The system folder ("C:\windows\system32" or its 32-bit counterpart), "" when unknown.
std::wstring SystemFolder();

}  // namespace cvinst
