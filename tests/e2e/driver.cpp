#include "driver.h"

#include <algorithm>
#include <atomic>

#include "forms/text.h"

namespace cvinst::e2e {
namespace {

using win::Utf8;
using win::Wide;

// Polls `found` until it gives a value, or the deadline passes.
template <class Fn>
auto Poll(Fn found) -> decltype(found()) {
    const ULONGLONG end = GetTickCount64() + kDeadlineMs;
    for (;;) {
        if (auto value = found()) return value;
        if (GetTickCount64() >= end) return {};
        Sleep(50);
    }
}

// A message to another process's window, with the deadline as a hang guard.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kDeadlineMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

bool EqualNoCase(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// A top-level caption as the system keeps it: no message to a process that may be busy.
std::string Caption(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::string WindowsPath(std::string_view linuxPath) {
    std::string path = "Z:" + std::string(linuxPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string BuiltInstaller() { return WindowsPath(CVINST_EXE); }

// ---- TempFolder ------------------------------------------------------------------------------

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (;;) {
        std::wstring path = base + L"\\cvinst-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            path_ = Utf8(path);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty()) RemoveTree(Wide(path_));
}

void TempFolder::Write(std::string_view name, std::string_view content) const {
    HANDLE file = CreateFileW(Wide(File(name)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

void TempFolder::CopyIn(const std::string& source, std::string_view name) const {
    CopyFileW(Wide(source).c_str(), Wide(File(name)).c_str(), FALSE);
}

std::string TempFolder::PlaceInstaller(std::initializer_list<std::string_view> packages) const {
    CopyIn(BuiltInstaller(), "CVInst.exe");
    for (std::string_view package : packages) Write(package, "not a real package");
    return File("CVInst.exe");
}

// ---- Installer -------------------------------------------------------------------------------

Installer::Installer(const std::string& exe, std::string_view arguments,
                     const std::string& folder) {
    std::wstring commandLine = L"\"" + Wide(exe) + L"\"";
    if (!arguments.empty()) commandLine += L" " + Wide(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(Wide(exe).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : Wide(folder).c_str(), &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    id_ = pi.dwProcessId;
}

Installer::~Installer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kDeadlineMs);
    }
    CloseHandle(process_);
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> Installer::Windows() const {
    WindowSearch search{id_, {}};
    if (process_) EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Installer::Window(std::string_view caption, bool visibleOnly) const {
    for (HWND hwnd : Windows())
        if ((!visibleOnly || IsWindowVisible(hwnd)) && Caption(hwnd) == caption) return hwnd;
    return nullptr;
}

HWND Installer::WaitWindow(std::string_view caption) const {
    if (!process_) return nullptr;
    return Poll([&] { return Window(caption); });
}

HWND Installer::WaitMessageBox() const {
    if (!process_) return nullptr;
    return Poll([&]() -> HWND {
        for (HWND hwnd : Windows())
            if (IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770") return hwnd;
        return nullptr;
    });
}

std::optional<DWORD> Installer::WaitExit() const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, kDeadlineMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

// ---- controls --------------------------------------------------------------------------------

HWND ChildByText(HWND parent, std::string_view text) {
    for (HWND c : Children(parent))
        if (Text(c) == text) return c;
    return nullptr;
}

HWND ChildByClass(HWND parent, std::string_view className, int index) {
    const std::wstring wanted = Wide(className);
    for (HWND c : Children(parent))
        if (EqualNoCase(Wide(ClassName(c)), wanted) && index-- == 0) return c;
    return nullptr;
}

std::string ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return Utf8(name);
}

std::string Text(HWND hwnd) {
    const auto length = static_cast<size_t>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<size_t>(
        Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return Utf8(text);
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

int CheckState(HWND button) { return static_cast<int>(Send(button, BM_GETCHECK, 0, 0)); }

RECT ClientRect(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void Press(HWND button) { Send(button, BM_CLICK, 0, 0); }

void PostPress(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? Text(text) : std::string();
}

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button) return false;
    // The command a click on the button sends; unlike BM_CLICK it does not need the box active.
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool WaitGone(HWND hwnd) {
    return Poll([&] { return !IsWindow(hwnd); });
}

}  // namespace cvinst::e2e
