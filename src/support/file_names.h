#pragma once
// File names as Windows reads them, for the logs CVInst keeps and hands on.
#include <string>
#include <string_view>

namespace cvinst {

// The run log's size at which a run renames it away, and how the texts name that size.
inline constexpr unsigned long long kLogSizeLimit = 10ull * 1024 * 1024;
std::string LogSizeLimitText();  // "10 MiB"

// The run log's name and, for an administrator, its folder under the Windows folder.
inline constexpr std::string_view kLogName = "CVInst.log";
inline constexpr std::string_view kLogFolderInWindows = "Logs\\Corvane";
// Where the run log goes unless /LOG= says, as the help and the documents write it:
// "%WINDIR%\Logs\Corvane\CVInst.log" for an administrator, "%TEMP%\CVInst.log" otherwise.
std::string DefaultLogPathText(bool administrator);

// The path without the extension of its last part ("C:\My.Logs\run" has none).
std::string_view WithoutExtension(std::string_view path);

// Where a full log goes: "<name>.old<extension>" beside it (CVInst.log -> CVInst.old.log,
// name -> name.old).
std::string OldLogPath(std::string_view path);

// Whether `path` names a device rather than a file: a reserved name (NUL, CON, PRN, AUX,
// CONIN$, CONOUT$, COM0-9, LPT0-9) as its last part, with or without an extension, or a
// device-namespace path (\\.\ or \\?\) that leads to no drive, share or volume.
bool NamesDevice(std::string_view path);

}  // namespace cvinst
