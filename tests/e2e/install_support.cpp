#include "install_support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "driver.h"
#include "forms/text.h"

namespace cvinst::e2e {
namespace {

using win::Utf8;
using win::Wide;

constexpr const char* kPackages[] = {"CVMenu.msi", "CVWork.msi", "CVPServ.msi", "CVExampl.msi"};
constexpr const char* kProgramFolders[] = {"Corvane Menu", "Corvane Workstation",
                                           "Corvane Personal Server", "Corvane Examples"};
constexpr DWORD kMsiBusy = 1618;  // another msiexec still holds the installer

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
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

class Key {
public:
    explicit Key(std::string_view path, REGSAM access = KEY_QUERY_VALUE) {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, access | KEY_WOW64_32KEY,
                          &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// The value's raw bytes when it exists with this type.
std::optional<std::vector<BYTE>> RegValue(std::string_view keyPath, std::string_view name,
                                          DWORD wantedType) {
    Key key(keyPath);
    if (!key.get()) return std::nullopt;
    const std::wstring wideName = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != wantedType)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

}  // namespace

std::string DemoFile(std::string_view relative) {
    return WindowsPath(CVINST_DEMO_DIR) + "\\" + std::string(relative);
}

std::string ToolFile(std::string_view name) {
    return WindowsPath(CVINST_TOOLS_DIR) + "\\" + std::string(name);
}

std::string ProgramFilesDir() {
    std::string dir =
        RegText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir").value_or("");
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

std::string ProgramFile(std::string_view relative) {
    return ProgramFilesDir() + "\\" + std::string(relative);
}

std::optional<DWORD> RunSystemMsiExec(std::string_view arguments) {
    const std::wstring folder = SystemFolder();
    if (folder.empty()) return std::nullopt;
    const std::wstring exe = folder + L"\\msiexec.exe";
    std::wstring line = L"\"" + exe + L"\" " + Wide(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return std::nullopt;
    CloseHandle(pi.hThread);
    std::optional<DWORD> code;
    DWORD exitCode = 0;
    if (WaitForSingleObject(pi.hProcess, kRunDeadlineMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(pi.hProcess, &exitCode))
        code = exitCode;
    CloseHandle(pi.hProcess);
    return code;
}

void RemoveDemoProducts() {
    for (const char* package : kPackages) {
        const std::string arguments = "/x \"" + DemoFile(package) + "\" /qn";
        // An msiexec of a run that was cut short may still hold the installer for a while.
        WaitUntil([&] { return RunSystemMsiExec(arguments) != kMsiBusy; }, kRunDeadlineMs);
    }
    {
        Key software("SOFTWARE", KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | DELETE);
        if (software.get()) RegDeleteTreeW(software.get(), L"Corvane");
    }
    const std::string programFiles = ProgramFilesDir();
    if (programFiles.size() < 4) return;
    for (const char* folder : kProgramFolders) RemoveTree(Wide(programFiles + "\\" + folder));
}

std::optional<std::string> RegText(std::string_view key, std::string_view value) {
    const auto data = RegValue(key, value, REG_SZ);
    if (!data) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()),
                      data->size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Utf8(text);
}

std::optional<DWORD> RegDword(std::string_view key, std::string_view value) {
    const auto data = RegValue(key, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data->data());
}

bool RegKeyExists(std::string_view key) { return Key(key).get() != nullptr; }

bool RegSetText(std::string_view key, std::string_view value, std::string_view text) {
    Key open(key, KEY_SET_VALUE);
    if (!open.get()) return false;
    const std::wstring data = Wide(text);
    return RegSetValueExW(open.get(), Wide(value).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> FileBytes(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr) != FALSE &&
                    written == bytes.size();
    return CloseHandle(file) != FALSE && ok;
}

void DeleteFileIfAny(const std::string& path) {
    const std::wstring wide = Wide(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
}

bool LinkOrCopy(const std::string& source, const std::string& target) {
    const std::wstring from = Wide(source), to = Wide(target);
    return CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ||
           CopyFileW(from.c_str(), to.c_str(), FALSE);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    const std::wstring wa = Wide(a), wb = Wide(b);
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}

win::unique_handle OpenChildProcess(DWORD parentId, std::string_view exeName) {
    const win::unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return {};
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != parentId || !EqualNoCase(Utf8(entry.szExeFile), exeName))
            continue;
        win::unique_handle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION,
                                               FALSE, entry.th32ProcessID));
        if (process && StillRunning(process.get())) return process;
    }
    return {};
}

bool StillRunning(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, timeoutMs, &copied))
        return std::nullopt;
    return Utf8(std::wstring_view(text, std::min<size_t>(copied, std::size(text) - 1)));
}

}  // namespace cvinst::e2e
