#include "support/file_names.h"

#include <array>

#include "support/strings.h"

namespace cvinst {

std::string LogSizeLimitText() { return std::to_string(kLogSizeLimit / (1024 * 1024)) + " MiB"; }

std::string DefaultLogPathText(bool administrator) {
    return (administrator ? "%WINDIR%\\" + std::string(kLogFolderInWindows)
                          : std::string("%TEMP%")) +
           "\\" + std::string(kLogName);
}

namespace {

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char a = IsSlash(text[i]) ? '\\' : UpperAscii(text[i]);
        if (a != prefix[i]) return false;
    }
    return true;
}

bool EqualsNoCase(std::string_view text, std::string_view upper) {
    return text.size() == upper.size() && StartsWithNoCase(text, upper);
}

size_t LastPartStart(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSlash(path[i - 1])) return i;
    }
    // "C:NUL" names the device as well.
    return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

bool ReservedName(std::string_view part) {
    // Windows reads a device in "NUL.log", "nul .txt" and "COM1:" alike.
    part = part.substr(0, part.find_first_of(".:"));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> kNames = {"NUL", "CON",    "PRN",
                                                               "AUX", "CONIN$", "CONOUT$"};
    for (const std::string_view name : kNames) {
        if (EqualsNoCase(part, name)) return true;
    }
    if (!StartsWithNoCase(part, "COM") && !StartsWithNoCase(part, "LPT")) return false;
    const std::string_view digit = part.substr(3);
    // ¹ ² ³ count as digits there too.
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" ||
           digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

// After \\.\ or \\?\: a drive, a share or a volume is a file system; everything else
// (GLOBALROOT, pipes, physical drives, NUL...) is a device.
bool DeviceNamespaceDevice(std::string_view rest) {
    const bool drive = rest.size() >= 3 && UpperAscii(rest[0]) >= 'A' &&
                       UpperAscii(rest[0]) <= 'Z' && rest[1] == ':' && IsSlash(rest[2]);
    return !drive && !StartsWithNoCase(rest, "UNC\\") && !StartsWithNoCase(rest, "VOLUME{");
}

}  // namespace

std::string_view WithoutExtension(std::string_view path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || dot < LastPartStart(path)) return path;
    return path.substr(0, dot);
}

std::string OldLogPath(std::string_view path) {
    const std::string_view stem = WithoutExtension(path);
    return std::string(stem) + ".old" + std::string(path.substr(stem.size()));
}

bool NamesDevice(std::string_view path) {
    for (const std::string_view prefix : {"\\\\.\\", "\\\\?\\", "\\??\\"}) {
        if (StartsWithNoCase(path, prefix) && DeviceNamespaceDevice(path.substr(prefix.size()))) {
            return true;
        }
    }
    return ReservedName(path.substr(LastPartStart(path)));
}

}  // namespace cvinst
