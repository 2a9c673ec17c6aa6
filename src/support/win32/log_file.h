#pragma once
// The run log on disk: UTF-8, one line per event, each with the local time and the process id,
// appended to whatever the file holds, so that a failed run can be read about after the fact.
#include <functional>
#include <string>
#include <string_view>

#include "base/win32/handles.h"
#include "support/log.h"

namespace cvinst {

class LogFile : public Log {
public:
    // Creates the file, and any folder on its way, or opens it to append; false when it cannot
    // be written. A file already open is closed first.
    bool Open(const std::string& path);
    // Each event becomes one line: line breaks inside it are written as "\n".
    void Write(std::string_view event) override;

    bool IsOpen() const { return static_cast<bool>(file_); }
    const std::string& Path() const { return path_; }
    // Called once, at the first open or write that fails, with the file's path and the reason.
    std::function<void(const std::string& path, const std::string& reason)> onFailure;

private:
    void Failed(unsigned long error);

    win::unique_hfile file_;
    std::string path_;
    bool failureReported_ = false;
};

// The run log's place when the command line names none: CVInst.log in the user's temporary folder.
std::string DefaultLogPath();

// `path` made absolute against the current folder (the run changes it later).
std::string FullPath(const std::string& path);

}  // namespace cvinst
