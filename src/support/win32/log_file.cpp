#include "support/win32/log_file.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/win32/system_error.h"
#include "base/win32/text.h"
#include "support/access_rules.h"
#include "support/file_names.h"
#include "support/win32/security.h"

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

// A file opened, or why it was not.
struct Opened {
    win::unique_hfile file;
    std::string problem;
    unsigned long long size = 0;
};

Opened Refused(std::string problem) { return {{}, std::move(problem)}; }

// How a log is opened: the run log appends, and others may read it while the run goes on. A step
// log is held for msiexec, which writes it from two processes and so shares its writing (Wine's
// shares nothing else): the hold may append, since Windows weighs the sharing only of handles that
// may read, write or delete, and shares no deletion, so that nothing can delete or rename the file
// meanwhile. It never writes.
struct OpenMode {
    DWORD access;
    DWORD share;
};
constexpr OpenMode kAppend{FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE};
constexpr OpenMode kHold{FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE};

// The file itself, never what a link at its path leads to: the open does not follow one, and
// the open handle is checked before anything is written, so nothing can be swapped in between.
Opened OpenUnfollowed(const std::wstring& path, OpenMode mode) {
    Opened opened;
    opened.file.reset(CreateFileW(path.c_str(), mode.access, mode.share, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened.file) {
        const DWORD error = GetLastError();
        // A folder, or a junction, cannot be opened as a file: the reason names what it is.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            return Refused("is a link");
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
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Refused("is a link");
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Refused("is a folder");
    // Another name of the same file may lie where its writer's readers can read it.
    if (info.nNumberOfLinks > 1) {
        return Refused("has " + std::to_string(info.nNumberOfLinks) + " hard links");
    }
    opened.size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return opened;
}

// The folders on the way to the file, outermost first, after the drive or share they are on.
std::vector<std::wstring> ParentFolders(const std::wstring& path) {
    size_t first = 0;
    if (path.rfind(L"\\\\", 0) == 0) {
        // \\server\share\ or \\?\C:\: the folders begin after the fourth backslash.
        first = 2;
        for (int skipped = 0; skipped < 2 && first != std::wstring::npos; ++skipped) {
            first = path.find_first_of(L"\\/", first);
            if (first != std::wstring::npos) ++first;
        }
        if (first == std::wstring::npos) return {};
    }
    std::vector<std::wstring> folders;
    for (size_t slash = path.find_first_of(L"\\/", first); slash != std::wstring::npos;
         slash = path.find_first_of(L"\\/", slash + 1)) {
        // "C:" alone is the drive, no folder.
        if (slash == 0 || path[slash - 1] == L':') continue;
        folders.push_back(path.substr(0, slash));
    }
    return folders;
}

// A folder opened to be looked at, without following a link at its name; while open, it cannot
// be renamed or deleted.
win::unique_hfile OpenFolder(const std::wstring& folder) {
    return win::unique_hfile(CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
}

// A link (junction or symbolic link) among the folders on the way that someone without
// administrator rights could have made: the one who owns it is no administrator.
std::optional<std::string> LinkOnTheWay(const std::wstring& path) {
    for (const std::wstring& folder : ParentFolders(path)) {
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            continue;
        }
        const win::unique_hfile link = OpenFolder(folder);
        const std::optional<Protection> protection =
            link ? ProtectionOf(link.get(), SE_FILE_OBJECT) : std::nullopt;
        if (!protection || !protection->owner || !IsAdministrative(*protection->owner)) {
            return "goes through \"" + win::Utf8(folder) +
                   "\", a link that someone without administrator rights could have made";
        }
    }
    return std::nullopt;
}

// The log at `path`, the folders on its way made, a full one renamed away first when `rotate`.
// A rename that fails leaves the log growing, and says why in `stuck`.
Opened OpenLog(const std::string& path, OpenMode mode, bool rotate,
               std::optional<std::string>& stuck) {
    const std::wstring wide = win::Wide(path);
    CreateParentFolders(wide);
    Opened opened = OpenUnfollowed(wide, mode);
    if (!opened.file || opened.size < kLogSizeLimit || !rotate) return opened;
    opened.file.reset();
    const std::string old = OldLogPath(path);
    // A rename moves the names themselves: a link at either name is moved or replaced, never
    // what it leads to.
    if (!MoveFileExW(wide.c_str(), win::Wide(old).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        stuck = "has reached " + LogSizeLimitText() + " and cannot be renamed to " + old + " (" +
                win::SystemErrorText(GetLastError()) + ")";
    }
    return OpenUnfollowed(wide, mode);
}

// Why the folder that holds `path` is not fit for an administrator's log: someone else could have
// made it or can change it.
std::optional<std::string> FolderOpenToOthers(const win::unique_hfile& folder,
                                              const std::wstring& name) {
    const std::optional<Protection> protection =
        folder ? ProtectionOf(folder.get(), SE_FILE_OBJECT) : std::nullopt;
    const std::optional<std::string> problem =
        protection ? OpenToNonAdministrators(*protection, kFileChangingRights)
                   : std::optional<std::string>("cannot be read for who owns it");
    if (!problem) return std::nullopt;
    return "its folder \"" + win::Utf8(name) + "\" " + *problem;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// %WINDIR%\Logs\Corvane, made when missing with a protection of its own; nothing when it cannot be
// made or is not a folder.
std::optional<std::wstring> ProtectedLogFolder() {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const UINT n = GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (n == 0 || n > MAX_PATH) return std::nullopt;
    folder.resize(n);
    if (folder.back() != L'\\') folder += L'\\';
    const std::wstring below = win::Wide(kLogFolderInWindows);
    for (size_t slash = below.find(L'\\'); slash != std::wstring::npos;
         slash = below.find(L'\\', slash + 1)) {
        CreateDirectoryW((folder + below.substr(0, slash)).c_str(), nullptr);
    }
    folder += below;
    CreateProtectedFolder(win::Utf8(folder));
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return std::nullopt;
    }
    return folder;
}

}  // namespace

bool CreateProtectedFolder(const std::string& path) {
    const std::wstring folder = win::Wide(path);
    for (const wchar_t* text : {kLogFolderSecurity, kLogFolderSecurityOwnOwner}) {
        const win::unique_hlocal descriptor = SecurityFromText(text);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
        if (CreateDirectoryW(folder.c_str(), &attributes)) return true;
        // A token that may not name Administrators as the owner keeps its own.
        if (GetLastError() != ERROR_INVALID_OWNER) return false;
    }
    return false;
}

bool LogFile::Open(const std::string& path, const LogAccess& access) {
    file_.reset();
    path_ = path;
    notes_.clear();
    const std::wstring wide = win::Wide(path);
    if (access.administrator) {
        if (const std::optional<std::string> link = LinkOnTheWay(wide)) {
            Failed(*link);
            return false;
        }
    }
    CreateParentFolders(wide);
    // Held while the log is opened, so that the folder looked at is the one the log goes in.
    const std::wstring folderName = FolderOf(wide);
    const win::unique_hfile folder = OpenFolder(folderName);
    std::optional<std::string> folderProblem;
    if (access.administrator) folderProblem = FolderOpenToOthers(folder, folderName);
    if (folderProblem && !access.chosen) {
        Failed("not written: " + *folderProblem);
        return false;
    }
    std::optional<std::string> stuck;
    Opened opened = OpenLog(path, kAppend, access.mayRotate, stuck);
    if (!opened.file) {
        Failed(opened.problem);
        return false;
    }
    if (stuck) notes_.push_back("The log " + *stuck + ": it grows on past the limit");
    if (access.administrator && !access.chosen) {
        const std::optional<Protection> protection =
            ProtectionOf(opened.file.get(), SE_FILE_OBJECT);
        const std::optional<std::string> problem =
            protection ? OpenToNonAdministrators(*protection, kFileChangingRights)
                       : std::optional<std::string>("cannot be read for who owns it");
        if (problem) {
            Failed("not written: the file " + *problem);
            return false;
        }
    }
    if (folderProblem) {
        notes_.push_back("Warning: the log is written although " + *folderProblem +
                         ": others may change or remove it");
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

StepLog HoldStepLog(const std::string& path) {
    if (NamesDevice(path)) return {{}, "names a device"};
    const std::wstring wide = win::Wide(path);
    if (const std::optional<std::string> link = LinkOnTheWay(wide)) return {{}, *link};
    std::optional<std::string> stuck;
    Opened opened = OpenLog(path, kHold, true, stuck);
    if (!opened.file) return {{}, opened.problem};
    // msiexec is not given a step log that would grow past the limit: the step goes on without.
    if (stuck) return {{}, *stuck};
    return {std::move(opened.file), {}};
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
