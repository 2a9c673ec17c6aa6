// The driver's half about the machine: the 32-bit registry view, the Program Files folder, the
// system's msiexec and msi.dll, the demo products, and the changes some tests make to the machine
// and put back.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "base/win32/text.h"
#include "driver.h"
#include "win32_machine.h"

namespace cvinst::e2e {
namespace {

using win::Utf8;
using win::Wide;

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kProgramFilesDir[] = "ProgramFilesDir";
constexpr char kWinlogonParent[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char kWinlogonName[] = "Winlogon";
// Copies of what a test changed, under HKEY_CURRENT_USER, which has no 32-bit view of its own;
// they outlive an interrupted test so that the next one can put them back.
constexpr wchar_t kBackupRoot[] = L"Software\\CVInst end-to-end tests";
constexpr wchar_t kWinlogonBackup[] = L"Software\\CVInst end-to-end tests\\Winlogon";
constexpr wchar_t kProgramFilesBackup[] = L"Software\\CVInst end-to-end tests\\ProgramFilesDir";

// Drops a test's backup key, and the backups' root once nothing else is kept there.
void DropBackup(const wchar_t* key) {
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    RegDeleteKeyW(HKEY_CURRENT_USER, kBackupRoot);
}

// A key of the view; empty when it cannot be opened with this access.
win::unique_hkey OpenKey(HKEY root, std::string_view path, REGSAM access = KEY_READ,
                         RegView view = RegView::Packages) {
    const REGSAM flag = view == RegView::Packages ? KEY_WOW64_32KEY : 0;
    win::unique_hkey key;
    if (RegOpenKeyExW(root, Wide(path).c_str(), 0, access | flag, key.put()) != ERROR_SUCCESS)
        return {};
    return key;
}

bool RegKeyExists(std::string_view key, RegView view = RegView::Packages) {
    return static_cast<bool>(OpenKey(HKEY_LOCAL_MACHINE, key, KEY_QUERY_VALUE, view));
}

// The value's bytes when it exists with this type.
std::optional<std::vector<BYTE>> ValueBytes(std::string_view keyPath, std::string_view name,
                                            DWORD wantedType, RegView view) {
    const win::unique_hkey key = OpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_QUERY_VALUE, view);
    if (!key) return std::nullopt;
    testkit::StoredValue value = testkit::ReadValue(key.get(), name);
    if (value.status != ERROR_SUCCESS || value.type != wantedType) return std::nullopt;
    return std::move(value.bytes);
}

// REG_SZ bytes as text, without the NULs at their end.
std::string SzText(const std::vector<BYTE>& bytes) {
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return Utf8(text);
}

std::vector<BYTE> SzBytes(std::string_view text) {
    const std::wstring wide = Wide(text);
    const auto* bytes = reinterpret_cast<const BYTE*>(wide.c_str());
    return std::vector<BYTE>(bytes, bytes + (wide.size() + 1) * sizeof(wchar_t));
}

}  // namespace

// ---- registry, Program Files and msiexec ------------------------------------------------------

std::optional<std::string> RegText(std::string_view key, std::string_view value, RegView view) {
    const auto data = ValueBytes(key, value, REG_SZ, view);
    if (!data) return std::nullopt;
    return SzText(*data);
}

std::optional<DWORD> RegDword(std::string_view key, std::string_view value, RegView view) {
    const auto data = ValueBytes(key, value, REG_DWORD, view);
    if (!data || data->size() != sizeof(DWORD)) return std::nullopt;
    return *reinterpret_cast<const DWORD*>(data->data());
}

bool RegSetText(std::string_view key, std::string_view value, std::string_view text, RegView view) {
    const win::unique_hkey open = OpenKey(HKEY_LOCAL_MACHINE, key, KEY_SET_VALUE, view);
    return open && testkit::WriteValue(open.get(), value, REG_SZ, SzBytes(text)) == ERROR_SUCCESS;
}

std::string ProgramFilesDir() {
    std::string dir = RegText(kCurrentVersion, kProgramFilesDir).value_or("");
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir;
}

std::string ProgramFile(std::string_view relative) {
    return ProgramFilesDir() + "\\" + std::string(relative);
}

std::string SystemMsiexec() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? Utf8(std::wstring(folder, n) + L"\\msiexec.exe") : std::string();
}

std::optional<DWORD> RunSystemMsiExec(std::string_view arguments) {
    const std::string exe = SystemMsiexec();
    if (exe.empty()) return std::nullopt;
    return testkit::RunToEnd("\"" + exe + "\" " + std::string(arguments), kRunDeadlineMs);
}

// ---- msi.dll ---------------------------------------------------------------------------------

namespace {

class MsiHandle {
public:
    MsiHandle() = default;
    ~MsiHandle() {
        if (handle_) MsiCloseHandle(handle_);
    }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    MSIHANDLE get() const { return handle_; }
    MSIHANDLE* put() { return &handle_; }

private:
    MSIHANDLE handle_ = 0;
};

// A view of the query, executed; empty when either step failed.
bool Execute(const MsiHandle& db, const std::string& query, MsiHandle& view) {
    return MsiDatabaseOpenViewW(db.get(), Wide(query).c_str(), view.put()) == ERROR_SUCCESS &&
           MsiViewExecute(view.get(), 0) == ERROR_SUCCESS;
}

std::string ProductCode(const std::string& package) {
    MsiHandle db, view, record;
    if (MsiOpenDatabaseW(Wide(package).c_str(), MSIDBOPEN_READONLY, db.put()) != ERROR_SUCCESS ||
        !Execute(db, "SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'", view) ||
        MsiViewFetch(view.get(), record.put()) != ERROR_SUCCESS)
        return {};
    wchar_t code[64] = {};
    DWORD size = static_cast<DWORD>(std::size(code));
    return MsiRecordGetStringW(record.get(), 1, code, &size) == ERROR_SUCCESS ? Utf8(code) : "";
}

bool ProductInstalled(const std::string& code) {
    return !code.empty() && MsiQueryProductStateW(Wide(code).c_str()) != INSTALLSTATE_UNKNOWN;
}

constexpr DWORD kMsiBusy = 1618;  // another msiexec still holds the installer

// Runs these SQL statements on the package and commits them; false at the first that fails.
bool ChangePackage(const std::string& package, std::initializer_list<std::string> statements) {
    MsiHandle db;
    if (MsiOpenDatabaseW(Wide(package).c_str(), MSIDBOPEN_TRANSACT, db.put()) != ERROR_SUCCESS)
        return false;
    for (const std::string& statement : statements) {
        MsiHandle view;
        if (!Execute(db, statement, view)) return false;
    }
    return MsiDatabaseCommit(db.get()) == ERROR_SUCCESS;
}

}  // namespace

// ---- test-only variants of a package ---------------------------------------------------------

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

// ---- the demo products ------------------------------------------------------------------------

std::string MarkerPath(const DemoProgram& program) {
    return ProgramFile(std::string(program.name) + "\\" + std::string(program.marker));
}

bool MarkerPresent(const DemoProgram& program) { return Exists(MarkerPath(program)); }

std::optional<std::string> PackageValue(const DemoProgram& program, std::string_view name) {
    return RegText(program.valuesKey, name);
}

std::string ProgramsPresent() {
    std::string present;
    for (const DemoProgram& program : kDemoPrograms) {
        if (MarkerPresent(program) && PackageValue(program, "Installed") == "1")
            present += program.letter;
        else if (MarkerPresent(program) || RegKeyExists(program.valuesKey))
            present += std::string(1, program.letter) + "?";
    }
    return present;
}

void RemoveDemoProducts() {
    // The Personal Server's registration may still be running from the last install, with its
    // program file open and about to write under the Corvane key.
    WaitUntil([] { return !ProcessRunning("CVPServ.exe"); });
    for (const DemoProgram& program : kDemoPrograms) {
        const std::string code = ProductCode(DemoFile(program.package));
        if (!ProductInstalled(code)) continue;
        // An msiexec of a run that was cut short may still hold the installer for a while.
        WaitUntil([&] { return RunSystemMsiExec("/x " + code + " /qn") != kMsiBusy; },
                  kRunDeadlineMs);
    }
    for (RegView view : {RegView::Packages, RegView::Programs}) {
        if (const win::unique_hkey software =
                OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE",
                        KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE | DELETE, view))
            RegDeleteTreeW(software.get(), L"Corvane");
    }
    const std::string programFiles = ProgramFilesDir();
    if (programFiles.size() < 4) return;
    for (const DemoProgram& program : kDemoPrograms)
        testkit::RemoveTree(programFiles + "\\" + std::string(program.name));
}

Captions DemoTraces() {
    Captions traces;
    for (const DemoProgram& program : kDemoPrograms) {
        if (ProductInstalled(ProductCode(DemoFile(program.package))))
            traces.push_back("product " + std::string(program.name) + " installed");
        const std::string folder = ProgramFile(program.name);
        if (Exists(folder)) traces.push_back("folder " + folder);
    }
    for (RegView view : {RegView::Packages, RegView::Programs}) {
        if (RegKeyExists("SOFTWARE\\Corvane", view)) {
            traces.push_back("key HKLM\\SOFTWARE\\Corvane");
            break;
        }
    }
    return traces;
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
    if (RegCreateKeyExW(parent, Wide(kWinlogonName).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        restored.put(), &disposition) != ERROR_SUCCESS)
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
    const win::unique_hkey parent =
        OpenKey(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS, RegView::Programs);
    if (!parent) return;
    RestoreWinlogon(parent.get());
    const win::unique_hkey winlogon =
        OpenKey(parent.get(), kWinlogonName, KEY_READ, RegView::Programs);
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
            OpenKey(HKEY_LOCAL_MACHINE, kWinlogonParent, KEY_ALL_ACCESS, RegView::Programs))
        RestoreWinlogon(parent.get());
}

bool WinlogonKeyVisible() {
    return RegKeyExists(std::string(kWinlogonParent) + "\\" + kWinlogonName, RegView::Programs);
}

// ---- the Program Files folder -------------------------------------------------------------------

namespace {

// The saved "ProgramFilesDir"; nothing when no test has one saved.
std::optional<std::string> SavedProgramFilesDir() {
    win::unique_hkey backup;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kProgramFilesBackup, 0, KEY_QUERY_VALUE, backup.put()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    const testkit::StoredValue saved = testkit::ReadValue(backup.get(), kProgramFilesDir);
    if (saved.status != ERROR_SUCCESS || saved.type != REG_SZ) return std::nullopt;
    return SzText(saved.bytes);
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
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kProgramFilesBackup, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, backup.put(), nullptr) != ERROR_SUCCESS ||
        testkit::WriteValue(backup.get(), kProgramFilesDir, REG_SZ, SzBytes(*original)) !=
            ERROR_SUCCESS)
        return;
    folder_ = std::make_unique<TempFolder>(folder);
    moved_ = !folder_->Path().empty() && RegSetText(kCurrentVersion, kProgramFilesDir, folder) &&
             ProgramFilesDir() == folder;
}

ProgramFilesMoved::~ProgramFilesMoved() {
    RestoreProgramFilesDir();
    folder_.reset();
}

}  // namespace cvinst::e2e
