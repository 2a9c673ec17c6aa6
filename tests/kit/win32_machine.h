#pragma once
// Parts of the real machine a test borrows: a registry key of its own, values read and written
// byte for byte, and the Windows Installer held as another installation holds it.
#include <windows.h>

#include <atomic>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "base/win32/handles.h"

namespace cvinst::testkit {

// HKEY_CURRENT_USER\Software\CVInstTests\<suite>.<test> of the running test, deleted with
// everything in it before and after.
class ScratchKey {
public:
    ScratchKey();
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY get() const { return key_.get(); }            // open with all access; empty when not made
    const std::string& Path() const { return path_; }  // under HKEY_CURRENT_USER

private:
    std::string path_;
    win::unique_hkey key_;
};

// A value as the registry keeps it.
struct StoredValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const StoredValue&) const = default;
};
void PrintTo(const StoredValue& value, std::ostream* os);

// As the W calls give it.
StoredValue ReadValue(HKEY key, std::string_view name);
// Stores exactly these bytes with this type; the W call's status.
LONG WriteValue(HKEY key, std::string_view name, DWORD type, const std::vector<BYTE>& bytes);

// Holds the Windows Installer's mutex, as a running installation does (Wine's own msiexec takes
// none), from a thread of its own until Release.
class InstallationInProgress {
public:
    InstallationInProgress();
    ~InstallationInProgress();
    InstallationInProgress(const InstallationInProgress&) = delete;
    InstallationInProgress& operator=(const InstallationInProgress&) = delete;

    bool Held() const { return held_; }
    void Release() { release_.store(true); }

private:
    std::thread holder_;
    std::atomic<bool> taken_{false}, release_{false};
    bool held_ = false;
};

}  // namespace cvinst::testkit
