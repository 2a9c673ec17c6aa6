#include "engine/win32/process.h"

#include <windows.h>

#include <vector>

#include "engine/paths.h"
#include "forms/form.h"
#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst {

namespace {

constexpr DWORD kPollMilliseconds = 250;

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

bool Start(const std::wstring& application, const std::wstring& commandLine, WORD showCmd,
           win::unique_process_information& started) {
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
        return false;
    }
    started.process.reset(pi.hProcess);
    started.thread.reset(pi.hThread);
    started.processId = pi.dwProcessId;
    return true;
}

// Dispatches everything queued for this thread; returns true when a WM_QUIT was taken.
bool PumpMessages(WPARAM& quitCode) {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            quitCode = msg.wParam;
            continue;
        }
        // Tab and Enter keep working in the window while msiexec runs.
        if (win::Form::PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

std::string TrimLineEnd(std::wstring text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
    return win::Utf8(text);
}

std::wstring FormatFrom(DWORD source, HMODULE module, DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(source | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   module, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                   nullptr);
    std::wstring text;
    if (n != 0 && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    return text;
}

}  // namespace

MsiResult RunAndWait(const std::wstring& application, const std::wstring& commandLine) {
    MsiResult result;
    win::unique_process_information child;
    if (!Start(application, commandLine, SW_SHOWNORMAL, child)) return result;
    child.thread.reset();
    result.started = true;

    HANDLE process = child.process.get();
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjectsEx(1, &process, kPollMilliseconds,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (PumpMessages(quitCode)) quit = true;
        if (wait == WAIT_FAILED) {
            result.started = false;
            break;
        }
        if (wait == WAIT_OBJECT_0) {
            DWORD code = 0;
            if (GetExitCodeProcess(process, &code)) result.exitCode = code;
            break;
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

MsiResult RunMsiExec(const std::string& arguments) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return {};
    const std::wstring msiexec = folder + L"\\msiexec.exe";
    return RunAndWait(msiexec, L"\"" + msiexec + L"\" " + win::Wide(arguments));
}

bool StartDetached(const std::string& exePath, const std::string& arguments, int showCmd) {
    win::unique_process_information child;
    return Start(win::Wide(exePath), win::Wide(QuoteStr(exePath) + arguments),
                 static_cast<WORD>(showCmd), child);
}

std::string FindFile(const std::string& path) {
    WIN32_FIND_DATAA data{};
    const win::unique_hfind find(FindFirstFileA(win::AnsiFromUtf8(path).c_str(), &data));
    if (!find) return {};
    return win::Utf8FromAnsi(CutAtNul(std::string_view(data.cFileName, sizeof data.cFileName)));
}

std::string InstallerFolder() {
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

void SetCurrentFolder(const std::string& folder) {
    SetCurrentDirectoryW(win::Wide(folder).c_str());
}

std::string SystemErrorText(unsigned long code) {
    std::wstring text = FormatFrom(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
    if (text.empty()) {
        // The installer's own codes are described in msi.dll's message table.
        if (HMODULE msi = LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
            text = FormatFrom(FORMAT_MESSAGE_FROM_HMODULE, msi, code);
            FreeLibrary(msi);
        }
    }
    return TrimLineEnd(std::move(text));
}

}  // namespace cvinst
