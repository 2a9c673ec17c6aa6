#include "cmdline_support.h"

#include <msi.h>
#include <msiquery.h>
#include <tlhelp32.h>

#include <algorithm>
#include <utility>

#include "forms/text.h"

namespace cvinst::e2e::cmdline {
namespace {

using win::Utf8;
using win::Wide;

constexpr wchar_t kCorvaneKey[] = L"SOFTWARE\\Corvane";
constexpr wchar_t kWinlogonParent[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kWinlogonName[] = L"Winlogon";
// Under HKEY_CURRENT_USER, which has no 32-bit view of its own.
constexpr wchar_t kBackupRoot[] = L"Software\\CVInst end-to-end tests";
constexpr wchar_t kWinlogonBackup[] = L"Software\\CVInst end-to-end tests\\Winlogon";

// ---- registry --------------------------------------------------------------------------------

class Key {
public:
    Key() = default;
    explicit Key(HKEY key) : key_(key) {}
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(Key&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }
    HKEY* put() { return &key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

Key Open32(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
    Key key;
    if (RegOpenKeyExW(root, path.c_str(), 0, access | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS)
        return Key();
    return key;
}

bool KeyExists(HKEY root, const std::wstring& path) {
    return static_cast<bool>(Open32(root, path));
}

std::optional<std::wstring> RegText(HKEY root, const std::wstring& path, const std::wstring& name) {
    Key key = Open32(root, path);
    if (!key) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &read) != ERROR_SUCCESS)
        return std::nullopt;
    text.resize(read / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// ---- files and processes ---------------------------------------------------------------------

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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

bool ProcessRunning(std::wstring_view exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = lstrcmpiW(entry.szExeFile, std::wstring(exeName).c_str()) == 0;
    CloseHandle(snapshot);
    return found;
}

template <class Fn>
bool WaitFor(Fn done, DWORD deadlineMs) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
    return true;
}

// ---- msi.dll, loaded when first needed (the test binary links no Windows Installer library) --

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

std::wstring ProductCode(const std::string& package) {
    MsiHandle db;
    if (!OpenDatabase(package, MSIDBOPEN_READONLY, db)) return {};
    MsiHandle view;
    if (Msi().openView(db.get(),
                       L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'",
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
    return code;
}

bool ProductInstalled(const std::wstring& code) {
    return !code.empty() && Msi().productState(code.c_str()) != INSTALLSTATE_UNKNOWN;
}

}  // namespace

std::string DemoFile(std::string_view relative) {
    return WindowsPath(CVINST_DEMO_DIR) + "\\" + std::string(relative);
}

std::string PlaceWithPackages(const TempFolder& folder,
                              std::initializer_list<DemoProgram> programs) {
    folder.CopyIn(BuiltInstaller(), "CVInst.exe");
    for (const DemoProgram& program : programs)
        folder.CopyIn(DemoFile(program.package), program.package);
    return folder.File("CVInst.exe");
}

std::string ProgramFilesDir() {
    std::wstring dir = RegText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                               L"ProgramFilesDir")
                           .value_or(L"");
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    return Utf8(dir);
}

std::string MarkerPath(const DemoProgram& program) {
    return ProgramFilesDir() + "\\" + std::string(program.folder) + "\\" +
           std::string(program.marker);
}

bool MarkerPresent(const DemoProgram& program) { return Exists(Wide(MarkerPath(program))); }

std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name) {
    const std::wstring key = std::wstring(kCorvaneKey) + L"\\Packages\\" + Wide(program.key);
    auto text = RegText(HKEY_LOCAL_MACHINE, key, Wide(name));
    if (!text) return std::nullopt;
    return Utf8(*text);
}

std::vector<std::string> DemoTraces() {
    std::vector<std::string> traces;
    for (const DemoProgram& program : kDemoPrograms) {
        if (ProductInstalled(ProductCode(DemoFile(program.package))))
            traces.push_back("product " + std::string(program.folder) + " installed");
        const std::string folder = ProgramFilesDir() + "\\" + std::string(program.folder);
        if (Exists(Wide(folder))) traces.push_back("folder " + folder);
    }
    if (KeyExists(HKEY_LOCAL_MACHINE, kCorvaneKey)) traces.push_back("key HKLM\\SOFTWARE\\Corvane");
    return traces;
}

std::optional<std::string> FileBytes(const std::string& path) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::optional<DWORD> SystemMsiExec(std::string_view arguments) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring exe = std::wstring(system) + L"\\msiexec.exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + Wide(arguments);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi))
        return std::nullopt;
    CloseHandle(pi.hThread);
    std::optional<DWORD> result;
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, kRunDeadlineMs) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(pi.hProcess, &code))
        result = code;
    CloseHandle(pi.hProcess);
    return result;
}

void RemoveDemoProducts() {
    // The Personal Server's registration may still be running from the last install, with its
    // program file open and about to write under the Corvane key.
    WaitFor([] { return !ProcessRunning(L"CVPServ.exe"); }, kDeadlineMs);
    for (const DemoProgram& program : kDemoPrograms) {
        const std::wstring code = ProductCode(DemoFile(program.package));
        if (ProductInstalled(code)) SystemMsiExec("/x " + Utf8(code) + " /qn");
    }
    if (Key software = Open32(HKEY_LOCAL_MACHINE, L"SOFTWARE", KEY_ALL_ACCESS))
        RegDeleteTreeW(software.get(), L"Corvane");
    for (const DemoProgram& program : kDemoPrograms)
        RemoveTree(Wide(ProgramFilesDir() + "\\" + std::string(program.folder)));
}

void CleanMachineTest::SetUp() {
    ASSERT_TRUE(Msi().Loaded()) << "msi.dll could not be loaded";
    RemoveDemoProducts();
    const std::vector<std::string> traces = DemoTraces();
    ASSERT_TRUE(traces.empty()) << "left after the clean-up: " << traces.front();
}

void CleanMachineTest::TearDown() { RemoveDemoProducts(); }

Watched WatchUntilExit(const Installer& installer, DWORD deadlineMs) {
    Watched watched;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, installer.Id());
    if (!process) return watched;
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    bool ended = false;
    while (!ended && GetTickCount64() < end) {
        for (HWND hwnd : installer.Windows()) {
            if (!IsWindowVisible(hwnd)) continue;
            wchar_t text[512] = {};
            GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
            const std::string caption = Utf8(text);
            if (std::find(watched.visibleWindows.begin(), watched.visibleWindows.end(), caption) ==
                watched.visibleWindows.end())
                watched.visibleWindows.push_back(caption);
        }
        ended = WaitForSingleObject(process, 5) == WAIT_OBJECT_0;
    }
    CloseHandle(process);
    if (ended) watched.exitCode = installer.WaitExit();
    return watched;
}

HWND WaitWindowOfAnyProcess(std::string_view caption) {
    const std::wstring wanted = Wide(caption);
    HWND found = nullptr;
    WaitFor(
        [&] {
            found = FindWindowW(nullptr, wanted.c_str());
            return found && IsWindowVisible(found);
        },
        kRunDeadlineMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool AddScheduledReboot(const std::string& package) {
    MsiHandle db;
    return OpenDatabase(package, MSIDBOPEN_TRANSACT, db) &&
           Sql(db, L"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                   L"VALUES ('ScheduleReboot', 6601)") &&
           Msi().commit(db.get()) == ERROR_SUCCESS;
}

bool AddStartDialog(const std::string& package, std::string_view title) {
    MsiHandle db;
    if (!OpenDatabase(package, MSIDBOPEN_TRANSACT, db)) return false;
    const std::wstring queries[] = {
        L"CREATE TABLE `Dialog` (`Dialog` CHAR(72) NOT NULL, `HCentering` SHORT NOT NULL, "
        L"`VCentering` SHORT NOT NULL, `Width` SHORT NOT NULL, `Height` SHORT NOT NULL, "
        L"`Attributes` LONG, `Title` CHAR(128) LOCALIZABLE, `Control_First` CHAR(50) NOT NULL, "
        L"`Control_Default` CHAR(50), `Control_Cancel` CHAR(50) PRIMARY KEY `Dialog`)",
        L"CREATE TABLE `Control` (`Dialog_` CHAR(72) NOT NULL, `Control` CHAR(50) NOT NULL, "
        L"`Type` CHAR(20) NOT NULL, `X` SHORT NOT NULL, `Y` SHORT NOT NULL, "
        L"`Width` SHORT NOT NULL, `Height` SHORT NOT NULL, `Attributes` LONG, "
        L"`Property` CHAR(72), `Text` LONGCHAR LOCALIZABLE, `Control_Next` CHAR(50), "
        L"`Help` CHAR(50) LOCALIZABLE PRIMARY KEY `Dialog_`, `Control`)",
        L"CREATE TABLE `ControlEvent` (`Dialog_` CHAR(72) NOT NULL, `Control_` CHAR(50) NOT NULL, "
        L"`Event` CHAR(50) NOT NULL, `Argument` CHAR(255) NOT NULL, `Condition` CHAR(255), "
        L"`Ordering` SHORT PRIMARY KEY `Dialog_`, `Control_`, `Event`, `Argument`, `Condition`)",
        // Attributes 3: visible and modal for the dialog, visible and enabled for the buttons.
        L"INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, "
        L"`Attributes`, `Title`, `Control_First`, `Control_Default`, `Control_Cancel`) "
        L"VALUES ('StartDlg', 50, 50, 220, 80, 3, '" + Wide(title) + L"', 'Go', 'Go', 'Cancel')",
        L"INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, "
        L"`Attributes`, `Text`, `Control_Next`) "
        L"VALUES ('StartDlg', 'Go', 'PushButton', 30, 50, 56, 17, 3, 'Install', 'Cancel')",
        L"INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, "
        L"`Attributes`, `Text`, `Control_Next`) "
        L"VALUES ('StartDlg', 'Cancel', 'PushButton', 130, 50, 56, 17, 3, 'Cancel', 'Go')",
        L"INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, "
        L"`Ordering`) VALUES ('StartDlg', 'Go', 'EndDialog', 'Return', '1', 1)",
        L"INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, "
        L"`Ordering`) VALUES ('StartDlg', 'Cancel', 'EndDialog', 'Exit', '1', 1)",
        // After CostFinalize (1000), before ExecuteAction (1300).
        L"INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('StartDlg', 1100)",
    };
    for (const std::wstring& query : queries)
        if (!Sql(db, query)) return false;
    return Msi().commit(db.get()) == ERROR_SUCCESS;
}

// ---- the logon settings key --------------------------------------------------------------------

namespace {

// Puts the saved copy back when the key is missing; true when the key is there now.
bool PutBackWinlogon(HKEY parent) {
    Key backup;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWinlogonBackup, 0, KEY_READ, backup.put()) !=
        ERROR_SUCCESS)
        return false;
    Key restored;
    DWORD disposition = 0;
    if (RegCreateKeyExW(parent, kWinlogonName, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        nullptr, restored.put(), &disposition) != ERROR_SUCCESS)
        return false;
    return disposition == REG_OPENED_EXISTING_KEY ||
           RegCopyTreeW(backup.get(), nullptr, restored.get()) == ERROR_SUCCESS;
}

// Puts the saved copy back when the key is missing, and drops the copy once it is not needed.
void RestoreWinlogon(HKEY parent) {
    if (PutBackWinlogon(parent)) RegDeleteTreeW(HKEY_CURRENT_USER, kBackupRoot);
}

}  // namespace

WinlogonKeyHidden::WinlogonKeyHidden() {
    Key parent = Open32(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS);
    if (!parent) return;
    RestoreWinlogon(parent.get());
    Key winlogon = Open32(parent.get(), kWinlogonName);
    Key backup;
    if (!winlogon ||
        RegCreateKeyExW(HKEY_CURRENT_USER, kWinlogonBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        backup.put(), nullptr) != ERROR_SUCCESS ||
        RegCopyTreeW(winlogon.get(), nullptr, backup.get()) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent.get(), kWinlogonName);
    hidden_ = !WinlogonKeyVisible();
}

WinlogonKeyHidden::~WinlogonKeyHidden() {
    if (Key parent = Open32(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS))
        RestoreWinlogon(parent.get());
}

bool WinlogonKeyVisible() {
    return KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kWinlogonParent) + L"\\" + kWinlogonName);
}

}  // namespace cvinst::e2e::cmdline
