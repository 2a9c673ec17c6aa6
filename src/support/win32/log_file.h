#pragma once
// The run log on disk: UTF-8, one line per event, each with the local time and the process id,
// appended to whatever the file holds, so that a failed run can be read about after the fact.
// CVInst may run as SYSTEM while others can write where its logs lie: no log is written through
// a link at its own path, and one that reaches kLogSizeLimit is set aside by the run that holds
// the instance lock.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/win32/handles.h"
#include "support/file_names.h"
#include "support/log.h"
#include "support/secrets.h"

namespace cvinst {

// A log that has reached this size when it is opened becomes OldLogPath(path), replacing an
// older one, and a new one is begun; when that rename fails, the log grows on and says so.

// How a run log may be opened.
struct LogAccess {
    // The run has the rights to change the machine: nothing a user without them could have
    // prepared is followed (a link in a parent folder), and the default place is refused when
    // someone else could have made or can change it.
    bool administrator = false;
    // The command line names this path: an administrator's own choice is written even into a
    // folder others can change, with a warning among the notes.
    bool chosen = true;
    // The run holds the instance lock: a full log is rotated only then, so that two runs never
    // rotate it twice.
    bool mayRotate = true;
};

class LogFile : public Log {
public:
    // Creates the file, and any folder on its way, or opens it to append; false when it cannot
    // be written, or when it is not a plain file of its own (a link, a file with other hard
    // links, a folder, a device), which is refused before anything is written to it, or when
    // `access` refuses its place. A file already open is closed first.
    bool Open(const std::string& path, const LogAccess& access = {});
    // Each event becomes one line: line breaks inside it are written as "\n", the values of
    // secret properties as "********".
    void Write(std::string_view event) override;
    // Which properties are secret beside those whose names say so.
    void SetMask(SecretMask mask) { mask_ = std::move(mask); }

    bool IsOpen() const { return static_cast<bool>(file_); }
    const std::string& Path() const { return path_; }
    // What the last Open has to say of the log it opened (a full log it could not rotate, a
    // folder others can change), for the run to write once its first lines are written.
    std::vector<std::string> TakeNotes() { return std::exchange(notes_, {}); }
    // Called once, at the first open or write that fails, with the file's path and the reason
    // (never empty).
    std::function<void(const std::string& path, const std::string& reason)> onFailure;

private:
    void Failed(const std::string& reason);

    win::unique_hfile file_;
    std::string path_;
    std::vector<std::string> notes_;
    SecretMask mask_;
    bool failureReported_ = false;
};

// A step's log made ready for msiexec to append to (`problem` empty), or why msiexec must not be
// given it: the path names a device, or the file is refused as LogFile::Open refuses one, or
// cannot be created. A file that is fine is created empty when it was missing and renamed away
// when full, so that msiexec's appending (/L*v+) keeps the run before within the limit, and it
// stays open in `held` without sharing its deletion: until `held` goes, nothing else can be put at
// its name, while msiexec can still open it to write.
struct StepLog {
    win::unique_hfile held;
    std::string problem;
};
StepLog HoldStepLog(const std::string& path);

// The run log's place when the command line names none: for a user the rights check lets change
// the machine %WINDIR%\Logs\Corvane\CVInst.log, a folder only administrators and SYSTEM can change
// (made when missing, with that protection); otherwise, or when that folder cannot be made or is
// not a folder, CVInst.log in the user's temporary folder.
std::string DefaultLogPath(bool administrator);

// Makes the folder with the log folder's protection (kLogFolderSecurity): its owner
// Administrators, or the token's own where it may not name them. False when it was not made.
bool CreateProtectedFolder(const std::string& path);

// `path` made absolute against the current folder (the run changes it later).
std::string FullPath(const std::string& path);

}  // namespace cvinst
