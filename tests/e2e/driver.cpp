#include "driver.h"

#include <algorithm>
#include <atomic>
#include <msi.h>
#include <msiquery.h>
#include <tlhelp32.h>

#include "forms/text.h"

namespace cvinst::e2e {
namespace {

using win::Utf8;
using win::Wide;

// Polls `found` until it gives a value, or the deadline passes.
template <class Fn>
auto Poll(Fn found) -> decltype(found()) {
    decltype(found()) value{};
    WaitUntil([&] { return static_cast<bool>(value = found()); }, kDeadlineMs);
    return value;
}

// A message to another process's window, with the deadline as a hang guard.
LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, kDeadlineMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
}

std::string WindowsPath(std::string_view linuxPath) {
    std::string path = "Z:" + std::string(linuxPath);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string BuiltInstaller() { return WindowsPath(CVINST_EXE); }

std::string DemoFile(std::string_view relative) {
    return WindowsPath(CVINST_DEMO_DIR) + "\\" + std::string(relative);
}

std::string ToolFile(std::string_view name) {
    return WindowsPath(CVINST_TOOLS_DIR) + "\\" + std::string(name);
}

bool FileExists(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> FileBytes(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    if (!ok) return std::nullopt;
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr) != FALSE &&
                    written == bytes.size();
    return CloseHandle(file) != FALSE && ok;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    const std::wstring wa = Wide(a), wb = Wide(b);
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

// ---- TempFolder ------------------------------------------------------------------------------

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base = temp;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (;;) {
        std::wstring path = base + L"\\cvinst-e2e-" + std::to_wstring(GetCurrentProcessId()) +
                            L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            path_ = Utf8(path);
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempFolder::TempFolder(const std::string& path) {
    const std::wstring wide = Wide(path);
    RemoveTree(wide);
    if (CreateDirectoryW(wide.c_str(), nullptr)) path_ = path;
}

TempFolder::~TempFolder() {
    if (!path_.empty()) RemoveTree(Wide(path_));
}

void TempFolder::Write(std::string_view name, std::string_view content) const {
    WriteFileBytes(File(name), content);
}

void TempFolder::CopyIn(const std::string& source, std::string_view name) const {
    CopyFileW(Wide(source).c_str(), Wide(File(name)).c_str(), FALSE);
}

std::string TempFolder::PlaceInstaller(std::initializer_list<std::string_view> packages) const {
    CopyIn(BuiltInstaller(), "CVInst.exe");
    for (std::string_view package : packages) Write(package, "not a real package");
    return File("CVInst.exe");
}

// ---- Installer -------------------------------------------------------------------------------

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring EnvironmentVariable(const wchar_t* name) {
    std::wstring value(32767, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size())));
    return value;
}

std::string ImagePath(HANDLE process) {
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size)) return {};
    path.resize(size);
    return Utf8(path);
}

// A running process of this executable that is not among `known`, opened for waiting, for its
// exit code and for ending it; nullptr when there is none.
HANDLE OpenNewProcessOf(const std::string& exe, const std::vector<ProcessEntry>& known) {
    const std::string name = exe.substr(exe.find_last_of('\\') + 1);
    for (const ProcessEntry& entry : Processes()) {
        if (!EqualNoCase(entry.exeName, name) ||
            std::any_of(known.begin(), known.end(),
                        [&](const ProcessEntry& k) { return k.id == entry.id; }))
            continue;
        HANDLE process = OpenProcess(
            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, entry.id);
        if (process && EqualNoCase(ImagePath(process), exe)) return process;
        if (process) CloseHandle(process);
    }
    return nullptr;
}

}  // namespace

Installer::Installer(const std::string& exe, std::string_view arguments, const std::string& folder,
                     const Environment& environment) {
    std::wstring commandLine = Quoted(Wide(exe));
    if (!arguments.empty()) commandLine += L" " + Wide(arguments);
    std::wstring application = Wide(exe);
    std::vector<ProcessEntry> known;
    if (!environment.empty()) {
        // The loader's Unix environment is made from this process's environment block, less
        // the variables Wine sets anew in every process; the DLL overrides are one of those.
        const std::wstring loader = EnvironmentVariable(L"WINELOADER");
        if (loader.empty()) return;
        std::wstring line = L"/usr/bin/env";
        for (const std::string& variable : environment) line += L" " + Quoted(Wide(variable));
        const std::wstring overrides = EnvironmentVariable(L"WINEDLLOVERRIDES");
        if (!overrides.empty()) line += L" " + Quoted(L"WINEDLLOVERRIDES=" + overrides);
        commandLine = line + L" " + Quoted(loader) + L" " + commandLine;
        application = L"Z:\\usr\\bin\\env";
        known = Processes();
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.empty() ? nullptr : Wide(folder).c_str(), &si, &pi))
        return;
    if (environment.empty()) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        id_ = pi.dwProcessId;
        return;
    }
    // A Unix program started from Wine has no process handle: the loader's new process is
    // looked for instead.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    WaitUntil([&] { return (process_ = OpenNewProcessOf(exe, known)) != nullptr; }, kDeadlineMs);
    if (process_) id_ = GetProcessId(process_);
}

Installer::~Installer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kDeadlineMs);
    }
    CloseHandle(process_);
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOf(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<WindowSearch*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == search->processId) search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> Installer::Windows() const {
    WindowSearch search{id_, {}};
    if (process_) EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Installer::Window(std::string_view caption, bool visibleOnly) const {
    for (HWND hwnd : Windows())
        if ((!visibleOnly || IsWindowVisible(hwnd)) && Caption(hwnd) == caption) return hwnd;
    return nullptr;
}

HWND Installer::WaitWindow(std::string_view caption) const {
    if (!process_) return nullptr;
    return Poll([&] { return Window(caption); });
}

HWND Installer::WaitMessageBox() const {
    if (!process_) return nullptr;
    return Poll([&]() -> HWND {
        for (HWND hwnd : Windows())
            if (IsWindowVisible(hwnd) && ClassName(hwnd) == "#32770") return hwnd;
        return nullptr;
    });
}

std::optional<DWORD> Installer::WaitExit() const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, kDeadlineMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

// ---- controls --------------------------------------------------------------------------------

HWND ChildByText(HWND parent, std::string_view text) {
    for (HWND c : Children(parent))
        if (Text(c) == text) return c;
    return nullptr;
}

HWND ChildByClass(HWND parent, std::string_view className, int index) {
    for (HWND c : Children(parent))
        if (EqualNoCase(ClassName(c), className) && index-- == 0) return c;
    return nullptr;
}

std::string ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, static_cast<int>(std::size(name)));
    return Utf8(name);
}

std::string Text(HWND hwnd) {
    const auto length = static_cast<size_t>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<size_t>(
        Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return Utf8(text);
}

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

int CheckState(HWND button) { return static_cast<int>(Send(button, BM_GETCHECK, 0, 0)); }

RECT ClientRect(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void Press(HWND button) { Send(button, BM_CLICK, 0, 0); }

void PostPress(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

std::string MessageBoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    return text ? Text(text) : std::string();
}

bool AnswerMessageBox(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    if (!button) return false;
    // The command a click on the button sends; unlike BM_CLICK it does not need the box active.
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) != FALSE;
}

bool WaitGone(HWND hwnd) {
    return WaitUntil([&] { return !IsWindow(hwnd); }, kDeadlineMs);
}

std::string Caption(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

std::vector<ProcessEntry> Processes() {
    std::vector<ProcessEntry> processes;
    const win::unique_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry))
        processes.push_back(
            {entry.th32ProcessID, entry.th32ParentProcessID, Utf8(entry.szExeFile)});
    return processes;
}

bool ProcessRunning(std::string_view exeName) {
    const std::vector<ProcessEntry> processes = Processes();
    return std::any_of(processes.begin(), processes.end(),
                       [&](const ProcessEntry& p) { return EqualNoCase(p.exeName, exeName); });
}

// ---- registry, Program Files and msiexec ------------------------------------------------------

namespace {

// The value's raw bytes when it exists with this type.
std::optional<std::vector<BYTE>> RegValue(std::string_view keyPath, std::string_view name,
                                          DWORD wantedType) {
    const win::unique_hkey key = OpenKey32(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    const std::wstring wideName = Wide(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != wantedType)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(folder, n) : std::wstring();
}

}  // namespace

win::unique_hkey OpenKey32(HKEY root, std::string_view path, REGSAM access) {
    win::unique_hkey key;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, access | KEY_WOW64_32KEY, key.put()) !=
        ERROR_SUCCESS)
        return {};
    return key;
}

std::optional<std::string> RegText(std::string_view key, std::string_view value) {
    const auto data = RegValue(key, value, REG_SZ);
    if (!data) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()),
                      data->size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Utf8(text);
}

std::optional<DWORD> RegDword(std::string_view key, std::string_view value) {
    const auto data = RegValue(key, value, REG_DWORD);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data->data());
}

bool RegKeyExists(std::string_view key) {
    return static_cast<bool>(OpenKey32(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE));
}

bool RegSetText(std::string_view key, std::string_view value, std::string_view text) {
    const win::unique_hkey open = OpenKey32(HKEY_LOCAL_MACHINE, key, KEY_SET_VALUE);
    if (!open) return false;
    const std::wstring data = Wide(text);
    return RegSetValueExW(open.get(), Wide(value).c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(data.c_str()),
                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::string ProgramFilesDir() {
    std::string dir =
        RegText("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir").value_or("");
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

std::string ProgramFile(std::string_view relative) {
    return ProgramFilesDir() + "\\" + std::string(relative);
}

std::string SystemMsiexec() {
    const std::wstring folder = SystemFolder();
    return folder.empty() ? std::string() : Utf8(folder + L"\\msiexec.exe");
}

std::optional<DWORD> RunSystemMsiExec(std::string_view arguments) {
    const std::wstring exe = Wide(SystemMsiexec());
    if (exe.empty()) return std::nullopt;
    std::wstring line = L"\"" + exe + L"\" " + Wide(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return std::nullopt;
    CloseHandle(pi.hThread);
    std::optional<DWORD> code;
    DWORD exitCode = 0;
    if (WaitForSingleObject(pi.hProcess, kRunDeadlineMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(pi.hProcess, &exitCode))
        code = exitCode;
    CloseHandle(pi.hProcess);
    return code;
}

// ---- msi.dll, loaded when first needed (the test binary links no Windows Installer library) --

namespace {

struct MsiApi {
    decltype(&MsiOpenDatabaseW) openDatabase = nullptr;
    decltype(&MsiDatabaseOpenViewW) openView = nullptr;
    decltype(&MsiViewExecute) execute = nullptr;
    decltype(&MsiViewFetch) fetch = nullptr;
    decltype(&MsiRecordGetStringW) recordString = nullptr;
    decltype(&MsiViewClose) closeView = nullptr;
    decltype(&MsiDatabaseCommit) commit = nullptr;
    decltype(&MsiCloseHandle) closeHandle = nullptr;
    decltype(&MsiQueryProductStateW) productState = nullptr;

    bool Loaded() const {
        return openDatabase && openView && execute && fetch && recordString && closeView &&
               commit && closeHandle && productState;
    }
};

template <class Fn>
void Bind(HMODULE dll, Fn& fn, const char* name) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

const MsiApi& Msi() {
    static const MsiApi api = [] {
        MsiApi a;
        HMODULE dll = LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (!dll) return a;
        Bind(dll, a.openDatabase, "MsiOpenDatabaseW");
        Bind(dll, a.openView, "MsiDatabaseOpenViewW");
        Bind(dll, a.execute, "MsiViewExecute");
        Bind(dll, a.fetch, "MsiViewFetch");
        Bind(dll, a.recordString, "MsiRecordGetStringW");
        Bind(dll, a.closeView, "MsiViewClose");
        Bind(dll, a.commit, "MsiDatabaseCommit");
        Bind(dll, a.closeHandle, "MsiCloseHandle");
        Bind(dll, a.productState, "MsiQueryProductStateW");
        return a;
    }();
    return api;
}

class MsiHandle {
public:
    MsiHandle() = default;
    ~MsiHandle() {
        if (handle_) Msi().closeHandle(handle_);
    }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MSIHANDLE get() const { return handle_; }
    MSIHANDLE* put() { return &handle_; }

private:
    MSIHANDLE handle_ = 0;
};

bool OpenDatabase(const std::string& path, LPCWSTR mode, MsiHandle& db) {
    return Msi().Loaded() &&
           Msi().openDatabase(Wide(path).c_str(), mode, db.put()) == ERROR_SUCCESS;
}

bool Sql(const MsiHandle& db, const std::wstring& query) {
    MsiHandle view;
    if (Msi().openView(db.get(), query.c_str(), view.put()) != ERROR_SUCCESS) return false;
    const bool ok = Msi().execute(view.get(), 0) == ERROR_SUCCESS;
    Msi().closeView(view.get());
    return ok;
}

std::string ProductCode(const std::string& package) {
    MsiHandle db;
    if (!OpenDatabase(package, MSIDBOPEN_READONLY, db)) return {};
    MsiHandle view;
    if (Msi().openView(db.get(), L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'",
                       view.put()) != ERROR_SUCCESS ||
        Msi().execute(view.get(), 0) != ERROR_SUCCESS)
        return {};
    MsiHandle record;
    std::wstring code;
    if (Msi().fetch(view.get(), record.put()) == ERROR_SUCCESS) {
        wchar_t text[64] = {};
        DWORD size = static_cast<DWORD>(std::size(text));
        if (Msi().recordString(record.get(), 1, text, &size) == ERROR_SUCCESS) code = text;
    }
    Msi().closeView(view.get());
    return Utf8(code);
}

bool ProductInstalled(const std::string& code) {
    return !code.empty() && Msi().productState(Wide(code).c_str()) != INSTALLSTATE_UNKNOWN;
}

constexpr DWORD kMsiBusy = 1618;  // another msiexec still holds the installer

}  // namespace

bool MsiLoaded() { return Msi().Loaded(); }

bool ChangePackage(const std::string& package, std::initializer_list<std::string> statements) {
    MsiHandle db;
    if (!OpenDatabase(package, MSIDBOPEN_TRANSACT, db)) return false;
    for (const std::string& statement : statements)
        if (!Sql(db, Wide(statement))) return false;
    return Msi().commit(db.get()) == ERROR_SUCCESS;
}

// ---- the demo products ------------------------------------------------------------------------

std::string MarkerPath(const DemoProgram& program) {
    return ProgramFile(std::string(program.name) + "\\" + std::string(program.marker));
}

void RemoveDemoProducts() {
    // The Personal Server's registration may still be running from the last install, with its
    // program file open and about to write under the Corvane key.
    WaitUntil([] { return !ProcessRunning("CVPServ.exe"); }, kDeadlineMs);
    for (const DemoProgram& program : kDemoPrograms) {
        const std::string code = ProductCode(DemoFile(program.package));
        if (!ProductInstalled(code)) continue;
        // An msiexec of a run that was cut short may still hold the installer for a while.
        WaitUntil([&] { return RunSystemMsiExec("/x " + code + " /qn") != kMsiBusy; },
                  kRunDeadlineMs);
    }
    if (const win::unique_hkey software =
            OpenKey32(HKEY_LOCAL_MACHINE, "SOFTWARE",
                      KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | DELETE))
        RegDeleteTreeW(software.get(), L"Corvane");
    const std::string programFiles = ProgramFilesDir();
    if (programFiles.size() < 4) return;
    for (const DemoProgram& program : kDemoPrograms)
        RemoveTree(Wide(programFiles + "\\" + std::string(program.name)));
}

std::vector<std::string> DemoTraces() {
    std::vector<std::string> traces;
    for (const DemoProgram& program : kDemoPrograms) {
        if (ProductInstalled(ProductCode(DemoFile(program.package))))
            traces.push_back("product " + std::string(program.name) + " installed");
        const std::string folder = ProgramFile(program.name);
        if (FileExists(folder)) traces.push_back("folder " + folder);
    }
    if (RegKeyExists("SOFTWARE\\Corvane")) traces.push_back("key HKLM\\SOFTWARE\\Corvane");
    return traces;
}

}  // namespace cvinst::e2e
