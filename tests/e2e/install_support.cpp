#include "install_support.h"

#include <algorithm>
#include <iterator>

#include "driver.h"
#include "forms/text.h"

namespace cvinst::e2e {

using win::Utf8;
using win::Wide;

void DeleteFileIfAny(const std::string& path) {
    const std::wstring wide = Wide(path);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(wide.c_str());
}

bool LinkOrCopy(const std::string& source, const std::string& target) {
    const std::wstring from = Wide(source), to = Wide(target);
    return CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ||
           CopyFileW(from.c_str(), to.c_str(), FALSE);
}

win::unique_handle OpenChildProcess(DWORD parentId, std::string_view exeName) {
    for (const ProcessEntry& entry : Processes()) {
        if (entry.parentId != parentId || !EqualNoCase(entry.exeName, exeName)) continue;
        win::unique_handle process(
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.id));
        if (process && StillRunning(process.get())) return process;
    }
    return {};
}

bool StillRunning(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

std::optional<std::string> TextWithin(HWND hwnd, DWORD timeoutMs) {
    wchar_t text[512] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, timeoutMs, &copied))
        return std::nullopt;
    return Utf8(std::wstring_view(text, std::min<size_t>(copied, std::size(text) - 1)));
}

}  // namespace cvinst::e2e
