#pragma once
// The run log on disk: UTF-8, one line per event, each with the local time and the process id,
// appended to whatever the file holds, so that a failed run can be read about after the fact.
// CVInst may run as SYSTEM while others can write where its logs lie: no log is written through
// a link at its own path, and none grows past kLogSizeLimit.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/win32/handles.h"
#include "support/file_names.h"
#include "support/log.h"
#include "support/secrets.h"

namespace cvinst {

// A log that has reached this size when it is opened becomes OldLogPath(path), replacing an
// older one, and a new one is begun.

class LogFile : public Log {
public:
    // Creates the file, and any folder on its way, or opens it to append; false when it cannot
    // be written, or when it is not a plain file of its own (a link, a file with other hard
    // links, a folder, a device), which is refused before anything is written to it. A file
    // already open is closed first.
    bool Open(const std::string& path);
    // Each event becomes one line: line breaks inside it are written as "\n", the values of
    // secret properties as "********".
    void Write(std::string_view event) override;
    // Which properties are secret beside those whose names say so.
    void SetMask(SecretMask mask) { mask_ = std::move(mask); }

    bool IsOpen() const { return static_cast<bool>(file_); }
    const std::string& Path() const { return path_; }
    // Whether the last Open refused the file because it is a link or has other hard links.
    bool RefusedLink() const { return refusedLink_; }
    // Called once, at the first open or write that fails, with the file's path and the reason
    // (never empty).
    std::function<void(const std::string& path, const std::string& reason)> onFailure;

private:
    void Failed(const std::string& reason);

    win::unique_hfile file_;
    std::string path_;
    bool refusedLink_ = false;
    SecretMask mask_;
    bool failureReported_ = false;
};

// Why msiexec must not be given `path` as a step's log (nothing when it may): the path names a
// device, or the file is refused as LogFile::Open refuses one, or cannot be created. A file
// that is fine is left there, created empty when it was missing and renamed away when full, so
// that msiexec's appending (/L*v+) keeps the run before within the limit.
std::optional<std::string> StepLogProblem(const std::string& path);

// Whether this process may change the machine: an elevated member of the Administrators group,
// or LocalSystem.
bool HasAdministratorRights();

// The run log's place when the command line names none: with administrator rights
// %WINDIR%\Logs\Corvane\CVInst.log, a folder only administrators and SYSTEM can write to (made
// when missing, inheriting %WINDIR%\Logs's protection), without them or when that folder cannot
// be made or is a link, CVInst.log in the user's temporary folder.
std::string DefaultLogPath(bool administrator);
inline std::string DefaultLogPath() { return DefaultLogPath(HasAdministratorRights()); }

// `path` made absolute against the current folder (the run changes it later).
std::string FullPath(const std::string& path);

}  // namespace cvinst
