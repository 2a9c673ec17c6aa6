// The driver's half about CVInst as a process: placing it, starting it, its windows and boxes,
// the processes it starts, and the fixtures. The machine's half is in driver_machine.cpp.
#include "driver.h"

#include <algorithm>
#include <tlhelp32.h>

#include "base/win32/text.h"
#include "fake_msiexec.h"

namespace cvinst::e2e {
namespace {

using win::Utf8;
using win::Wide;

// The CVInst.exe of this build.
std::string BuiltInstaller() { return testkit::WindowsPath(CVINST_EXE); }

// A top-level window's caption as the system keeps it: no message to a process that may be busy.
std::string Caption(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return Utf8(text);
}

struct ProcessEntry {
    DWORD id;
    DWORD parentId;
    std::string exeName;
};

// The processes running now.
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

// Polls `found` until it gives a value, or the deadline passes.
template <class Fn>
auto Poll(Fn found) -> decltype(found()) {
    decltype(found()) value{};
    WaitUntil([&] { return static_cast<bool>(value = found()); });
    return value;
}

}  // namespace

// ---- this build and the installer's folder ----------------------------------------------------

std::string DemoFile(std::string_view relative) {
    return testkit::WindowsPath(CVINST_DEMO_DIR) + "\\" + std::string(relative);
}

std::vector<DemoProgram> DemoPrograms(std::string_view letters) {
    std::vector<DemoProgram> programs;
    for (const DemoProgram& program : kDemoPrograms)
        if (letters.find(program.letter) != std::string_view::npos) programs.push_back(program);
    return programs;
}

std::vector<Package> Package::Of(std::string_view letters) {
    const std::vector<DemoProgram> programs = DemoPrograms(letters);
    return {programs.begin(), programs.end()};
}

std::string PlaceWithPackages(const TempFolder& folder, const std::vector<Package>& packages) {
    bool placed = testkit::LinkOrCopy(BuiltInstaller(), folder.File("CVInst.exe"));
    for (const Package& package : packages)
        placed = testkit::LinkOrCopy(DemoFile(package.source), folder.File(package.name)) && placed;
    EXPECT_TRUE(placed) << "could not place CVInst.exe and its packages in " << folder.Path();
    return folder.File("CVInst.exe");
}

std::string PlaceWithFakePackages(const TempFolder& folder,
                                  std::initializer_list<std::string_view> names) {
    bool placed = testkit::LinkOrCopy(BuiltInstaller(), folder.File("CVInst.exe"));
    for (std::string_view name : names) placed = folder.Write(name, "not a real package") && placed;
    EXPECT_TRUE(placed) << "could not place CVInst.exe in " << folder.Path();
    return folder.File("CVInst.exe");
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
// exit code and for ending it; empty when there is none.
win::unique_handle OpenNewProcessOf(const std::string& exe,
                                    const std::vector<ProcessEntry>& known) {
    const std::string name = exe.substr(exe.find_last_of('\\') + 1);
    for (const ProcessEntry& entry : Processes()) {
        if (!EqualNoCase(entry.exeName, name) ||
            std::any_of(known.begin(), known.end(),
                        [&](const ProcessEntry& k) { return k.id == entry.id; }))
            continue;
        win::unique_handle process(OpenProcess(
            SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, entry.id));
        if (process && EqualNoCase(ImagePath(process.get()), exe)) return process;
    }
    return {};
}

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
    win::unique_handle started(pi.hProcess);
    const win::unique_handle thread(pi.hThread);
    if (environment.empty()) {
        process_ = std::move(started);
        id_ = pi.dwProcessId;
        return;
    }
    // A Unix program started from Wine has no process handle: the loader's new process is
    // looked for instead.
    WaitUntil([&] { return static_cast<bool>(process_ = OpenNewProcessOf(exe, known)); });
    if (process_) id_ = GetProcessId(process_.get());
}

Installer::~Installer() {
    if (Running()) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), kDeadlineMs);
    }
}

bool Installer::Running() const {
    return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::vector<HWND> Installer::Windows() const {
    WindowSearch search{id_, {}};
    if (process_) EnumWindows(CollectWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Captions Installer::VisibleWindows() const {
    Captions captions;
    for (HWND hwnd : Windows())
        if (IsWindowVisible(hwnd)) captions.push_back(Caption(hwnd));
    return captions;
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

HWND Installer::OpenBox() const {
    for (HWND hwnd : Windows())
        if (IsWindowVisible(hwnd) && testkit::ClassName(hwnd) == "#32770") return hwnd;
    return nullptr;
}

HWND Installer::WaitMessageBox() const {
    if (!process_) return nullptr;
    return Poll([&] { return OpenBox(); });
}

std::optional<DWORD> Installer::WaitExit() const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_.get(), kDeadlineMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.get(), &code))
        return std::nullopt;
    return code;
}

Watched Installer::Watch(DWORD deadlineMs) const {
    Watched watched;
    if (!process_) return watched;
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    bool ended = false;
    while (!ended && GetTickCount64() < end) {
        for (const std::string& caption : VisibleWindows())
            if (std::find(watched.visibleWindows.begin(), watched.visibleWindows.end(), caption) ==
                watched.visibleWindows.end())
                watched.visibleWindows.push_back(caption);
        ended = WaitForSingleObject(process_.get(), 5) == WAIT_OBJECT_0;
    }
    if (ended) watched.exitCode = WaitExit();
    return watched;
}

// ---- another process's windows ---------------------------------------------------------------

void PostPress(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool WaitGone(HWND hwnd) {
    return WaitUntil([&] { return !IsWindow(hwnd); });
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

void PrintTo(const BoxSeen& box, std::ostream* os) {
    *os << "{\"" << box.caption << "\", \"" << box.text << "\", buttons";
    for (int id : box.buttons) *os << " " << id;
    *os << "}";
}

BoxSeen ReadBox(HWND box) {
    BoxSeen seen{Caption(box), {}, {}};
    if (HWND text = GetDlgItem(box, 0xFFFF)) seen.text = Text(text);
    for (int id :
         {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO, IDTRYAGAIN, IDCONTINUE}) {
        HWND button = GetDlgItem(box, id);
        if (button && IsWindowVisible(button)) seen.buttons.push_back(id);
    }
    return seen;
}

bool Answer(HWND box, int buttonId) {
    HWND button = GetDlgItem(box, buttonId);
    // The command a click on the button sends; unlike BM_CLICK it does not need the box active.
    return button &&
           PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button)) &&
           WaitGone(box);
}

bool MainControls::Find(HWND mainWindow) {
    window = mainWindow;
    for (int i = 0; i < 2; ++i) option[i] = ChildByClass(window, "Button", i);
    for (int i = 0; i < 4; ++i) program[i] = ChildByClass(window, "Button", 2 + i);
    allSelected = ChildByClass(window, "Button", 6);
    action = ChildByClass(window, "Button", 7);
    exitButton = ChildByClass(window, "Button", 8);
    status = ChildByClass(window, "Static", 2);
    return window && option[0] && option[1] && program[0] && program[1] && program[2] &&
           program[3] && allSelected && action && exitButton && status &&
           !ChildByClass(window, "Button", 9);
}

// ---- processes -------------------------------------------------------------------------------

bool ProcessRunning(std::string_view exeName) {
    const std::vector<ProcessEntry> processes = Processes();
    return std::any_of(processes.begin(), processes.end(),
                       [&](const ProcessEntry& p) { return EqualNoCase(p.exeName, exeName); });
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

// ---- the fixtures ------------------------------------------------------------------------------

void CleanMachineTest::SetUp() {
    ASSERT_TRUE(folder.Made());
    ASSERT_TRUE(PutBackRealMsiexec()) << "a fake msiexec left in place could not be taken away";
    ASSERT_GE(ProgramFilesDir().size(), 4u) << "no ProgramFilesDir in the registry";
    RemoveDemoProducts();
    const Captions traces = DemoTraces();
    ASSERT_TRUE(traces.empty()) << "left after the clean-up: " << traces.front();
}

void CleanMachineTest::TearDown() {
    installers.clear();
    RemoveDemoProducts();
}

Installer& CleanMachineTest::Start(const std::string& exe, std::string_view arguments,
                                   const Environment& environment, const std::string& cwd) {
    Installer& started =
        installers.emplace_back(exe, arguments, cwd.empty() ? folder.Path() : cwd, environment);
    EXPECT_TRUE(started.Started()) << "could not start " << exe << " " << arguments;
    return started;
}

Watched CleanMachineTest::Run(const std::string& exe, std::string_view arguments) {
    return Start(exe, arguments).Watch();
}

void CleanMachineTest::InstallBeforehand(const DemoProgram& program) {
    EXPECT_EQ(RunSystemMsiExec("/i \"" + DemoFile(program.package) + "\" /qn ALLUSERS=2"),
              std::optional<DWORD>(0))
        << program.package;
    ASSERT_TRUE(MarkerPresent(program)) << program.package << " was not installed beforehand";
}

void MainWindowTest::Open(const std::string& exe, const std::string& cwd,
                          std::string_view arguments) {
    installer = &Start(exe, arguments, {}, cwd);
    HWND found = installer->WaitWindow(kMainTitle);
    ASSERT_NE(found, nullptr) << "no visible window \"" << kMainTitle << "\"";
    ASSERT_TRUE(Find(found)) << "the main window's controls are not as they should be";
}

void MainWindowTest::ExitAndExpectStatusZero() {
    ASSERT_TRUE(testkit::Enabled(exitButton));
    Press(exitButton);
    EXPECT_TRUE(WaitGone(window));
    EXPECT_EQ(installer->WaitExit(), std::optional<DWORD>(0)) << "after Exit";
}

}  // namespace cvinst::e2e
