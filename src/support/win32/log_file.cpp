#include "support/win32/log_file.h"

#include <windows.h>

#include <cstdio>

#include "base/win32/system_error.h"
#include "base/win32/text.h"

namespace cvinst {

namespace {

// Creates the folders on the way to `path`'s own folder; failures show when the file is opened.
void CreateParentFolders(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos || slash == 0) return;
    const std::wstring folder = path.substr(0, slash);
    if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    CreateParentFolders(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
}

std::string Timestamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear,
                  now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    return text;
}

}  // namespace

bool LogFile::Open(const std::string& path) {
    file_.reset();
    path_ = path;
    const std::wstring wide = win::Wide(path);
    CreateParentFolders(wide);
    // Appends only, and lets others read the log while the run goes on.
    file_.reset(CreateFileW(wide.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        Failed(GetLastError());
        return false;
    }
    return true;
}

void LogFile::Write(std::string_view event) {
    if (!file_) return;
    std::string line = Timestamp();
    line.reserve(line.size() + event.size() + 2);
    for (const char c : event) {
        if (c == '\n') {
            line += "\\n";
        } else if (c != '\r') {
            line += c;
        }
    }
    line += "\r\n";
    // One write per line: lines of two processes appending to the same log stay whole.
    DWORD written = 0;
    if (!WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        const DWORD error = GetLastError();
        file_.reset();
        Failed(error);
    }
}

void LogFile::Failed(unsigned long error) {
    if (failureReported_) return;
    failureReported_ = true;
    if (onFailure) onFailure(path_, win::SystemErrorText(error));
}

std::string DefaultLogPath() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    folder.resize(n <= MAX_PATH ? n : 0);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return win::Utf8(folder) + "CVInst.log";
}

std::string FullPath(const std::string& path) {
    const std::wstring wide = win::Wide(path);
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n) return path;
    full.resize(written);
    return win::Utf8(full);
}

}  // namespace cvinst
