// fake_msiexec.exe: stands in for the system's msiexec.exe in a test prefix (tests/e2e's
// FakeMsiexec puts it there). It installs nothing; it keeps its files beside itself, named after
// it:
//   "<itself>.log"    every run appends its whole command line, UTF-8, as one line;
//   "<itself>.codes"  exit codes, one a line: a run takes the first and leaves the others for the
//                     next runs; with none left (or no file) it exits with 0;
//   "<itself>.delay"  when present, the milliseconds a run waits before it exits.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool WriteAll(const std::wstring& path, DWORD disposition, DWORD access, const std::string& bytes) {
    // A second msiexec started meanwhile may hold the file for a moment.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), access, 0, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(20);
            continue;
        }
        DWORD written = 0;
        const BOOL ok =
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == bytes.size();
    }
    return false;
}

std::string Utf8(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<size_t>(bytes - 1) : 0, '\0');
    if (!out.empty())
        WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    return out;
}

// The first code of the script, which is left holding the others; 0 when there is none.
DWORD NextExitCode(const std::wstring& script) {
    const std::string codes = ReadAll(script);
    if (codes.empty()) return 0;
    const size_t end = codes.find('\n');
    const std::string first = codes.substr(0, end);
    const std::string rest = end == std::string::npos ? std::string() : codes.substr(end + 1);
    // Written aside and renamed, so that a reader never sees half of it.
    const std::wstring partial = script + L".part";
    if (WriteAll(partial, CREATE_ALWAYS, GENERIC_WRITE, rest))
        MoveFileExW(partial.c_str(), script.c_str(), MOVEFILE_REPLACE_EXISTING);
    return static_cast<DWORD>(std::strtoul(first.c_str(), nullptr, 10));
}

}  // namespace

int wmain() {
    std::wstring self(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (n == 0 || n >= self.size()) return 1;
    self.resize(n);

    if (!WriteAll(self + L".log", OPEN_ALWAYS, FILE_APPEND_DATA, Utf8(GetCommandLineW()) + "\n"))
        return 1;
    const DWORD code = NextExitCode(self + L".codes");
    const std::string delay = ReadAll(self + L".delay");
    if (!delay.empty()) Sleep(static_cast<DWORD>(std::strtoul(delay.c_str(), nullptr, 10)));
    return static_cast<int>(code);
}
