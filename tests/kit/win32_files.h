#pragma once
// Files for the Win32 and end-to-end tests: a fresh folder of a test's own, whole files read and
// written, and the helper programs of this build. Paths are UTF-8, as everywhere inside; the W
// calls take them at the boundary.
#include <optional>
#include <string>
#include <string_view>

namespace cvinst::testkit {

class TempFolder {
public:
    // A fresh folder under the user's temporary folder.
    TempFolder();
    // This very folder (e.g. C:\Été Setup), made afresh: one left by an interrupted test is
    // removed first.
    explicit TempFolder(const std::string& path);
    // Removes the folder with everything in it. A program started from it must be gone by then:
    // declare the folder before whatever owns the program.
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Made() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }  // empty when it could not be made
    std::string File(std::string_view relative) const;
    bool Write(std::string_view relative, std::string_view bytes) const;
    bool MakeFolder(std::string_view relative) const;
    bool CopyIn(const std::string& source, std::string_view relative) const;

private:
    std::string path_;
};

// Removes a folder and everything in it, read-only files too; nothing when it does not exist.
void RemoveTree(const std::string& folder);
bool Exists(const std::string& path);
// The whole content of a file, also while another handle writes to it; nothing when it cannot
// be read.
std::optional<std::string> FileBytes(const std::string& path);
// Replaces the file's content with exactly these bytes.
bool WriteFileBytes(const std::string& path, std::string_view bytes);
// Deletes a file, read-only too; nothing when it does not exist.
void RemoveFile(const std::string& path);
// A hard link where the file system allows one (a large package need not be copied), a copy
// otherwise.
bool LinkOrCopy(const std::string& source, const std::string& target);

// Names and paths compared as the file system compares them, without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b);
// A Linux path of the build as Wine sees it: "Z:" and the path with back slashes.
std::string WindowsPath(std::string_view linuxPath);
// A helper program of tests/win32/tools, e.g. "marker.exe".
std::string ToolFile(std::string_view name);
// Runs this command line, the program found from it as Windows finds it, and waits for the end;
// the exit code, or nothing when it did not start or end within `deadlineMs`.
std::optional<unsigned long> RunToEnd(const std::string& commandLine, unsigned long deadlineMs);

// The process's current folder, put back when this goes.
class CurrentFolderKept {
public:
    CurrentFolderKept();
    ~CurrentFolderKept();
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

    // The current folder now.
    static std::string Now();

private:
    std::string saved_;
};

}  // namespace cvinst::testkit
