#include "cmdline_support.h"

#include <algorithm>

#include "forms/text.h"

namespace cvinst::e2e::cmdline {
namespace {

using win::Wide;

constexpr char kWinlogonParent[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kWinlogonName[] = "Winlogon";
// Under HKEY_CURRENT_USER, which has no 32-bit view of its own.
constexpr wchar_t kBackupRoot[] = L"Software\\CVInst end-to-end tests";
constexpr wchar_t kWinlogonBackup[] = L"Software\\CVInst end-to-end tests\\Winlogon";
constexpr wchar_t kProgramFilesBackup[] = L"Software\\CVInst end-to-end tests\\ProgramFilesDir";
constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProgramFilesDir[] = "ProgramFilesDir";

// Drops a test's backup key, and the backups' root once nothing else is kept there.
void DropBackup(const wchar_t* key) {
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    RegDeleteKeyW(HKEY_CURRENT_USER, kBackupRoot);
}

}  // namespace

std::string PlaceWithPackages(const TempFolder& folder,
                              std::initializer_list<DemoProgram> programs) {
    folder.CopyIn(BuiltInstaller(), "CVInst.exe");
    for (const DemoProgram& program : programs)
        folder.CopyIn(DemoFile(program.package), program.package);
    return folder.File("CVInst.exe");
}

bool MarkerPresent(const DemoProgram& program) { return FileExists(MarkerPath(program)); }

std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name) {
    return RegText(program.valuesKey, name);
}

void CleanMachineTest::SetUp() {
    ASSERT_TRUE(MsiLoaded()) << "msi.dll could not be loaded";
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
            const std::string caption = Caption(hwnd);
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
    WaitUntil(
        [&] {
            found = FindWindowW(nullptr, wanted.c_str());
            return found && IsWindowVisible(found);
        },
        kRunDeadlineMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

bool AddScheduledReboot(const std::string& package) {
    return ChangePackage(package, {"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) "
                                   "VALUES ('ScheduleReboot', 6601)"});
}

bool AddStartDialog(const std::string& package, std::string_view title) {
    return ChangePackage(
        package,
        {
            "CREATE TABLE `Dialog` (`Dialog` CHAR(72) NOT NULL, `HCentering` SHORT NOT NULL, "
            "`VCentering` SHORT NOT NULL, `Width` SHORT NOT NULL, `Height` SHORT NOT NULL, "
            "`Attributes` LONG, `Title` CHAR(128) LOCALIZABLE, `Control_First` CHAR(50) NOT NULL, "
            "`Control_Default` CHAR(50), `Control_Cancel` CHAR(50) PRIMARY KEY `Dialog`)",
            "CREATE TABLE `Control` (`Dialog_` CHAR(72) NOT NULL, `Control` CHAR(50) NOT NULL, "
            "`Type` CHAR(20) NOT NULL, `X` SHORT NOT NULL, `Y` SHORT NOT NULL, "
            "`Width` SHORT NOT NULL, `Height` SHORT NOT NULL, `Attributes` LONG, "
            "`Property` CHAR(72), `Text` LONGCHAR LOCALIZABLE, `Control_Next` CHAR(50), "
            "`Help` CHAR(50) LOCALIZABLE PRIMARY KEY `Dialog_`, `Control`)",
            "CREATE TABLE `ControlEvent` (`Dialog_` CHAR(72) NOT NULL, `Control_` CHAR(50) NOT "
            "NULL, "
            "`Event` CHAR(50) NOT NULL, `Argument` CHAR(255) NOT NULL, `Condition` CHAR(255), "
            "`Ordering` SHORT PRIMARY KEY `Dialog_`, `Control_`, `Event`, `Argument`, `Condition`)",
            // Attributes 3: visible and modal for the dialog, visible and enabled for the buttons.
            "INSERT INTO `Dialog` (`Dialog`, `HCentering`, `VCentering`, `Width`, `Height`, "
            "`Attributes`, `Title`, `Control_First`, `Control_Default`, `Control_Cancel`) "
            "VALUES ('StartDlg', 50, 50, 220, 80, 3, '" +
                std::string(title) + "', 'Go', 'Go', 'Cancel')",
            "INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, "
            "`Attributes`, `Text`, `Control_Next`) "
            "VALUES ('StartDlg', 'Go', 'PushButton', 30, 50, 56, 17, 3, 'Install', 'Cancel')",
            "INSERT INTO `Control` (`Dialog_`, `Control`, `Type`, `X`, `Y`, `Width`, `Height`, "
            "`Attributes`, `Text`, `Control_Next`) "
            "VALUES ('StartDlg', 'Cancel', 'PushButton', 130, 50, 56, 17, 3, 'Cancel', 'Go')",
            "INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, "
            "`Ordering`) VALUES ('StartDlg', 'Go', 'EndDialog', 'Return', '1', 1)",
            "INSERT INTO `ControlEvent` (`Dialog_`, `Control_`, `Event`, `Argument`, `Condition`, "
            "`Ordering`) VALUES ('StartDlg', 'Cancel', 'EndDialog', 'Exit', '1', 1)",
            // After CostFinalize (1000), before ExecuteAction (1300).
            "INSERT INTO `InstallUISequence` (`Action`, `Sequence`) VALUES ('StartDlg', 1100)",
        });
}

// ---- the logon settings key --------------------------------------------------------------------

namespace {

// Puts the saved copy back when the key is missing; true when the key is there now.
bool PutBackWinlogon(HKEY parent) {
    win::unique_hkey backup;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWinlogonBackup, 0, KEY_READ, backup.put()) !=
        ERROR_SUCCESS)
        return false;
    win::unique_hkey restored;
    DWORD disposition = 0;
    if (RegCreateKeyExW(parent, Wide(kWinlogonName).c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, restored.put(),
                        &disposition) != ERROR_SUCCESS)
        return false;
    return disposition == REG_OPENED_EXISTING_KEY ||
           RegCopyTreeW(backup.get(), nullptr, restored.get()) == ERROR_SUCCESS;
}

// Puts the saved copy back when the key is missing, and drops the copy once it is not needed.
void RestoreWinlogon(HKEY parent) {
    if (PutBackWinlogon(parent)) DropBackup(kWinlogonBackup);
}

}  // namespace

WinlogonKeyHidden::WinlogonKeyHidden() {
    const win::unique_hkey parent = OpenKey32(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS);
    if (!parent) return;
    RestoreWinlogon(parent.get());
    const win::unique_hkey winlogon = OpenKey32(parent.get(), kWinlogonName);
    win::unique_hkey backup;
    if (!winlogon ||
        RegCreateKeyExW(HKEY_CURRENT_USER, kWinlogonBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        backup.put(), nullptr) != ERROR_SUCCESS ||
        RegCopyTreeW(winlogon.get(), nullptr, backup.get()) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent.get(), Wide(kWinlogonName).c_str());
    hidden_ = !WinlogonKeyVisible();
}

WinlogonKeyHidden::~WinlogonKeyHidden() {
    if (const win::unique_hkey parent =
            OpenKey32(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS))
        RestoreWinlogon(parent.get());
}

bool WinlogonKeyVisible() {
    return RegKeyExists(std::string(kWinlogonParent) + "\\" + kWinlogonName);
}

}  // namespace cvinst::e2e::cmdline

// ---- the Program Files folder -------------------------------------------------------------------

namespace cvinst::e2e::cmdline {
namespace {

// The saved "ProgramFilesDir"; nothing when no test has one saved.
std::optional<std::string> SavedProgramFilesDir() {
    win::unique_hkey backup;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramFilesBackup, 0, KEY_QUERY_VALUE, backup.put()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(MAX_PATH, L'\0');
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD type = 0;
    if (RegQueryValueExW(backup.get(), Wide(kProgramFilesDir).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return win::Utf8(text);
}

// Puts a saved "ProgramFilesDir" back and drops the copy; true when nothing is left to put back.
bool RestoreProgramFilesDir() {
    const std::optional<std::string> saved = SavedProgramFilesDir();
    if (!saved) return true;
    if (!RegSetText(kCurrentVersion, kProgramFilesDir, *saved)) return false;
    DropBackup(kProgramFilesBackup);
    return true;
}

}  // namespace

ProgramFilesMoved::ProgramFilesMoved(const std::string& folder) {
    if (!RestoreProgramFilesDir()) return;
    const std::optional<std::string> original = RegText(kCurrentVersion, kProgramFilesDir);
    if (!original) return;
    win::unique_hkey backup;
    const std::wstring text = Wide(*original);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramFilesBackup, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, backup.put(), nullptr) != ERROR_SUCCESS ||
        RegSetValueExW(backup.get(), Wide(kProgramFilesDir).c_str(), 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        return;
    folder_ = std::make_unique<TempFolder>(folder);
    moved_ = !folder_->Path().empty() && RegSetText(kCurrentVersion, kProgramFilesDir, folder) &&
             ProgramFilesDir() == folder;
}

ProgramFilesMoved::~ProgramFilesMoved() {
    RestoreProgramFilesDir();
    folder_.reset();
}

}  // namespace cvinst::e2e::cmdline
