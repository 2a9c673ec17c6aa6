#include "startup/win32/instance_lock.h"

#include <windows.h>

#include <optional>

#include "base/win32/text.h"
#include "support/access_rules.h"
#include "support/win32/security.h"

namespace cvinst {

namespace {

// The mutex made under `name` with the lock's protection, and the error that came with it.
win::unique_handle MakeLock(const std::wstring& name, DWORD& error) {
    for (const wchar_t* text : {kLockSecurity, kLockSecurityOwnOwner}) {
        const win::unique_hlocal descriptor = SecurityFromText(text);
        SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
        win::unique_handle mutex(CreateMutexW(&attributes, FALSE, name.c_str()));
        error = GetLastError();
        // A token that may not name Administrators as the owner keeps its own.
        if (mutex || error != ERROR_INVALID_OWNER) return mutex;
    }
    return {};
}

// Why the object found under a lock's name is not another installer's lock; nothing when it is.
std::optional<std::string> NotALock(const win::unique_handle& found, DWORD error) {
    if (!found) {
        // An installer's lock lets administrators in: one that does not, or an object of
        // another kind, is someone else's.
        return error == ERROR_ACCESS_DENIED ? "does not let administrators use it"
                                            : "is no lock (" + std::to_string(error) + ")";
    }
    const std::optional<Protection> protection = ProtectionOf(found.get(), SE_KERNEL_OBJECT);
    if (!protection) return "cannot be read for who owns it";
    return OpenToNonAdministrators(*protection, kMutexTakingRights);
}

}  // namespace

InstanceLock TakeInstanceLock(bool administrator, std::span<const std::wstring_view> names) {
    InstanceLock lock;
    if (!administrator) {
        const std::wstring name(names.front());
        lock.mutex.reset(CreateMutexW(nullptr, FALSE, name.c_str()));
        if (!lock.mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
            lock.mutex.reset();
            lock.otherRunning = true;
        }
        return lock;
    }
    std::string passedOver;
    for (const std::wstring_view view : names) {
        const std::wstring name(view);
        DWORD error = ERROR_SUCCESS;
        win::unique_handle mutex = MakeLock(name, error);
        if (mutex && error != ERROR_ALREADY_EXISTS) {
            lock.mutex = std::move(mutex);
            break;
        }
        const std::optional<std::string> problem = NotALock(mutex, error);
        if (!problem) {
            lock.otherRunning = true;
            break;
        }
        passedOver += (passedOver.empty() ? "" : "; ") + win::Utf8(name) + " " + *problem;
    }
    if (!passedOver.empty()) {
        lock.note = "Passed over as no installer's lock: " + passedOver;
        if (!lock.mutex && !lock.otherRunning) lock.note += "; this run goes on without a lock";
    }
    return lock;
}

}  // namespace cvinst
