#include "fake_msiexec.h"

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "driver.h"

namespace cvinst::e2e {
namespace {

using win::Wide;

// Where the real msiexec.exe waits while the fake stands in for it.
std::string SetAside(const std::string& msiexec) { return msiexec + ".cvinst-real"; }

// The fake's own files, named after the file it runs as (see tools/fake_msiexec.cpp).
constexpr const char* kFakeFiles[] = {".log", ".codes", ".codes.part", ".delay"};

void RemoveFakeFiles(const std::string& msiexec) {
    for (const char* suffix : kFakeFiles) DeleteFileW(Wide(msiexec + suffix).c_str());
}

// Puts a real msiexec.exe that was set aside back in its place; true when the one in place is
// the real one now.
bool PutBackReal(const std::string& msiexec) {
    const std::string aside = SetAside(msiexec);
    if (!Exists(aside)) return true;
    return MoveFileExW(Wide(aside).c_str(), Wide(msiexec).c_str(), MOVEFILE_REPLACE_EXISTING) !=
           FALSE;
}

// Wine runs its own built-in msiexec for a program of its system folder, whatever file stands
// there, unless told to load the file ("native, then built-in": the real one, a placeholder of the
// built-in, still runs as before).
constexpr wchar_t kWineOverrides[] = L"Software\\Wine\\DllOverrides";
constexpr wchar_t kLoadTheFile[] = L"native,builtin";

void LoadTheFileInPlace() {
    win::unique_hkey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kWineOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key.get(), L"msiexec.exe", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(kLoadTheFile), sizeof(kLoadTheFile));
}

void DropLoadOverride() {
    win::unique_hkey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineOverrides, 0, KEY_SET_VALUE, key.put()) ==
        ERROR_SUCCESS)
        RegDeleteValueW(key.get(), L"msiexec.exe");
}

}  // namespace

FakeMsiexec::FakeMsiexec() : path_(SystemMsiexec()) {
    if (path_.empty() || !PutBackReal(path_)) return;
    RemoveFakeFiles(path_);
    if (!MoveFileW(Wide(path_).c_str(), Wide(SetAside(path_)).c_str())) return;
    if (!CopyFileW(Wide(ToolFile("fake_msiexec.exe")).c_str(), Wide(path_).c_str(), FALSE)) {
        PutBackReal(path_);
        return;
    }
    LoadTheFileInPlace();
    active_ = true;
    ++inPlace_;
}

FakeMsiexec::~FakeMsiexec() {
    if (path_.empty()) return;
    if (active_) --inPlace_;
    PutBackReal(path_);
    RemoveFakeFiles(path_);
    if (inPlace_ == 0) DropLoadOverride();
}

bool PutBackRealMsiexec() {
    if (FakeMsiexec::inPlace_ > 0) return true;
    const std::string msiexec = SystemMsiexec();
    if (msiexec.empty() || !PutBackReal(msiexec)) return false;
    RemoveFakeFiles(msiexec);
    DropLoadOverride();
    return true;
}

bool FakeMsiexec::SetExitCodes(const std::vector<DWORD>& codes) const {
    std::string script;
    for (DWORD code : codes) script += std::to_string(code) + "\n";
    return active_ && WriteFileBytes(path_ + ".codes", script);
}

bool FakeMsiexec::SetDelay(DWORD milliseconds) const {
    return active_ && WriteFileBytes(path_ + ".delay", std::to_string(milliseconds));
}

std::vector<std::string> FakeMsiexec::CommandLines() const {
    std::vector<std::string> lines;
    const std::string log = FileBytes(path_ + ".log").value_or("");
    for (size_t start = 0; start < log.size();) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace cvinst::e2e
