#include "win32_files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "base/win32/handles.h"
#include "base/win32/text.h"

namespace cvinst::testkit {
namespace {

using win::Utf8;
using win::Wide;

void RemoveTreeW(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    win::unique_hfind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return;
    static std::atomic<int> serial{0};
    const std::wstring path = std::wstring(temp, n) + L"CVInstTests." +
                              std::to_wstring(GetCurrentProcessId()) + L"." +
                              std::to_wstring(++serial);
    // One of an earlier process with the same id may still be there.
    RemoveTreeW(path);
    if (CreateDirectoryW(path.c_str(), nullptr)) path_ = Utf8(path);
}

TempFolder::TempFolder(const std::string& path) {
    RemoveTree(path);
    if (CreateDirectoryW(Wide(path).c_str(), nullptr)) path_ = path;
}

TempFolder::~TempFolder() {
    if (Made()) RemoveTree(path_);
}

std::string TempFolder::File(std::string_view relative) const {
    return path_ + "\\" + std::string(relative);
}

bool TempFolder::Write(std::string_view relative, std::string_view bytes) const {
    return Made() && WriteFileBytes(File(relative), bytes);
}

bool TempFolder::MakeFolder(std::string_view relative) const {
    return Made() && CreateDirectoryW(Wide(File(relative)).c_str(), nullptr);
}

bool TempFolder::CopyIn(const std::string& source, std::string_view relative) const {
    return Made() && CopyFileW(Wide(source).c_str(), Wide(File(relative)).c_str(), FALSE);
}

void RemoveTree(const std::string& folder) {
    if (!folder.empty()) RemoveTreeW(Wide(folder));
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> FileBytes(const std::string& path) {
    win::unique_hfile file(CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    win::unique_hfile file(CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) != FALSE &&
           written == bytes.size();
}

void RemoveFile(const std::string& path) {
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

std::string WindowsPath(std::string_view linuxPath) {
    std::string path = "Z:" + std::string(linuxPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ToolFile(std::string_view name) {
    return WindowsPath(CVINST_TOOLS_DIR) + "\\" + std::string(name);
}

std::optional<unsigned long> RunToEnd(const std::string& commandLine, unsigned long deadlineMs) {
    std::wstring line = Wide(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return std::nullopt;
    const win::unique_handle process(pi.hProcess);
    const win::unique_handle thread(pi.hThread);
    DWORD exitCode = 0;
    if (WaitForSingleObject(process.get(), deadlineMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &exitCode))
        return std::nullopt;
    return exitCode;
}

CurrentFolderKept::CurrentFolderKept() : saved_(Now()) {}

CurrentFolderKept::~CurrentFolderKept() { SetCurrentDirectoryW(Wide(saved_).c_str()); }

std::string CurrentFolderKept::Now() {
    wchar_t folder[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
    return n > 0 && n < MAX_PATH ? Utf8(std::wstring_view(folder, n)) : std::string();
}

}  // namespace cvinst::testkit
