#include "support/win32/log_file.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <utility>

#include "base/win32/system_error.h"
#include "base/win32/text.h"
#include "support/file_names.h"

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

// A file opened to append, or why it was not.
struct Opened {
    win::unique_hfile file;
    std::string problem;
    bool link = false;
    unsigned long long size = 0;
};

Opened Refused(std::string problem, bool link = false) { return {{}, std::move(problem), link}; }

// The file itself, never what a link at its path leads to: the open does not follow one, and
// the open handle is checked before anything is written, so nothing can be swapped in between.
Opened OpenUnfollowed(const std::wstring& path) {
    Opened opened;
    // Appends only, and lets others read the log while the run goes on.
    opened.file.reset(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
    if (!opened.file) {
        const DWORD error = GetLastError();
        // A folder, or a junction, cannot be opened as a file: the reason names what it is.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return Refused("is a link", true);
        }
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return Refused("is a folder");
        }
        return Refused(win::SystemErrorText(error));
    }
    if (GetFileType(opened.file.get()) != FILE_TYPE_DISK) return Refused("is a device");
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(opened.file.get(), &info)) {
        return Refused(win::SystemErrorText(GetLastError()));
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Refused("is a link", true);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Refused("is a folder");
    // Another name of the same file may lie where its writer's readers can read it.
    if (info.nNumberOfLinks > 1) {
        return Refused("has " + std::to_string(info.nNumberOfLinks) + " hard links", true);
    }
    opened.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return opened;
}

// The log at `path`, the folders on its way made, a full one renamed away first.
Opened OpenLog(const std::string& path) {
    const std::wstring wide = win::Wide(path);
    CreateParentFolders(wide);
    Opened opened = OpenUnfollowed(wide);
    if (!opened.file || opened.size < kLogSizeLimit) return opened;
    opened.file.reset();
    const std::string old = OldLogPath(path);
    // A rename moves the names themselves: a link at either name is moved or replaced, never
    // what it leads to.
    if (!MoveFileExW(wide.c_str(), win::Wide(old).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return Refused("has reached " + LogSizeLimitText() + " and cannot be renamed to " + old +
                       ": " + win::SystemErrorText(GetLastError()));
    }
    return OpenUnfollowed(wide);
}

// Administrators is only enabled in an elevated token: a filtered one holds it for denying.
bool TokenHolds(WELL_KNOWN_SID_TYPE type) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    return CreateWellKnownSid(type, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

// %WINDIR%\Logs\Corvane, made when missing; nothing when it cannot be made or is not a folder of
// its own.
std::optional<std::wstring> ProtectedLogFolder() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const UINT n = GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    folder.resize(n);
    if (folder.back() != L'\\') folder += L'\\';
    // Made with default security, each folder takes the protection of the one it is made in.
    const std::wstring below = win::Wide(kLogFolderInWindows);
    for (size_t slash = below.find(L'\\'); slash != std::wstring::npos;
         slash = below.find(L'\\', slash + 1)) {
        CreateDirectoryW((folder + below.substr(0, slash)).c_str(), nullptr);
    }
    folder += below;
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace

bool LogFile::Open(const std::string& path) {
    file_.reset();
    path_ = path;
    Opened opened = OpenLog(path);
    refusedLink_ = opened.link;
    if (!opened.file) {
        Failed(opened.problem);
        return false;
    }
    file_ = std::move(opened.file);
    return true;
}

void LogFile::Write(std::string_view event) {
    if (!file_) return;
    std::string line = Timestamp();
    const std::string masked = mask_(event);
    line.reserve(line.size() + masked.size() + 2);
    for (const char c : masked) {
        if (c == '\n') {
            line += "\\n";
        } else if (c != '\r') {
            line += c;
        }
    }
    line += "\r\n";
    // One write per line: lines of two processes appending to the same log stay whole.
    DWORD written = 0;
    const bool wrote =
        WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    if (!wrote || written != line.size()) {
        // A short write that reports success is a full disk.
        const DWORD error = wrote ? ERROR_DISK_FULL : GetLastError();
        file_.reset();
        Failed(win::SystemErrorText(error));
    }
}

void LogFile::Failed(const std::string& reason) {
    if (failureReported_) return;
    failureReported_ = true;
    if (onFailure) onFailure(path_, reason);
}

std::optional<std::string> StepLogProblem(const std::string& path) {
    if (NamesDevice(path)) return "names a device";
    const Opened opened = OpenLog(path);
    if (!opened.file) return opened.problem;
    return std::nullopt;
}

bool HasAdministratorRights() {
    return TokenHolds(WinBuiltinAdministratorsSid) || TokenHolds(WinLocalSystemSid);
}

std::string DefaultLogPath(bool administrator) {
    if (administrator) {
        if (const std::optional<std::wstring> folder = ProtectedLogFolder()) {
            return win::Utf8(*folder) + "\\" + std::string(kLogName);
        }
    }
    std::wstring folder(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    folder.resize(n <= MAX_PATH ? n : 0);
    if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
    return win::Utf8(folder) + std::string(kLogName);
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
