#include "engine/win32/process.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/win32/handles.h"
#include "forms/message_loop.h"

namespace cvinst {

namespace {

constexpr DWORD kPollMilliseconds = 250;

std::optional<win::unique_process_information> Start(const std::wstring& application,
                                                     const std::wstring& commandLine, WORD showCmd,
                                                     DWORD* error = nullptr) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = showCmd;
    // CreateProcessW may write into the command line.
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
        if (error) *error = GetLastError();
        return std::nullopt;
    }
    win::unique_process_information started;
    started.process.reset(pi.hProcess);
    started.thread.reset(pi.hThread);
    return started;
}

// What the thread that creates a process is given and hands back.
struct Creation {
    const std::wstring& application;
    const std::wstring& commandLine;
    WORD showCmd;
    std::optional<win::unique_process_information> started;
    DWORD error = 0;  // CreateProcess's own, when it failed
};

DWORD WINAPI CreateOnThisThread(void* parameter) {
    auto& creation = *static_cast<Creation*>(parameter);
    creation.started =
        Start(creation.application, creation.commandLine, creation.showCmd, &creation.error);
    return 0;
}

// Start on a short-lived thread while this one keeps handling its window's messages; only the
// process handle comes back. Without a thread, the process is created here.
std::optional<win::unique_process_information> StartBeside(const std::wstring& application,
                                                           const std::wstring& commandLine,
                                                           WORD showCmd, DWORD* error) {
    Creation creation{application, commandLine, showCmd, std::nullopt};
    const win::unique_handle thread(
        CreateThread(nullptr, 0, CreateOnThisThread, &creation, 0, nullptr));
    if (!thread) return Start(application, commandLine, showCmd, error);
    // `creation` must outlive the thread, also when the dispatching wait fails.
    if (WaitDispatching(thread.get(), INFINITE) != WAIT_OBJECT_0) {
        WaitForSingleObject(thread.get(), INFINITE);
    }
    *error = creation.error;
    return std::move(creation.started);
}

}  // namespace

std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT n = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (n == 0) return {};
        if (n < folder.size()) {
            folder.resize(n);
            return folder;
        }
        folder.resize(n);
    }
}

DWORD WaitDispatching(HANDLE handle, DWORD timeoutMs, const StopAsked& stop) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const DWORD count = handle ? 1 : 0;
    std::optional<int> quit;
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        DWORD slice = kPollMilliseconds;
        if (timeoutMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            slice = now >= deadline
                        ? 0
                        : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, slice));
        }
        const DWORD wait = MsgWaitForMultipleObjectsEx(count, handle ? &handle : nullptr, slice,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (auto code = win::Pump(win::PumpMode::Pending)) quit = code;
        if (stop && stop()) break;
        // Anything but "time up" or "a message came": the handle's answer, or a failure.
        if (wait != WAIT_TIMEOUT && wait != WAIT_OBJECT_0 + count) {
            result = wait;
            break;
        }
        if (timeoutMs != INFINITE && GetTickCount64() >= deadline) break;
    }
    win::RepostQuit(quit);
    return result;
}

MsiResult RunAndWait(const std::wstring& application, const std::wstring& commandLine) {
    DWORD error = 0;
    auto child = StartBeside(application, commandLine, SW_SHOWNORMAL, &error);
    if (!child) return MsiResultOf(false, false, std::nullopt, error);
    child->thread.reset();
    if (WaitDispatching(child->process.get(), INFINITE) != WAIT_OBJECT_0) {
        return MsiResultOf(true, false, std::nullopt);
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(child->process.get(), &code))
        return MsiResultOf(true, true, std::nullopt);
    return MsiResultOf(true, true, code);
}

bool StartProgram(const std::wstring& application, const std::wstring& commandLine, int showCmd) {
    return Start(application, commandLine, static_cast<WORD>(showCmd)).has_value();
}

}  // namespace cvinst
