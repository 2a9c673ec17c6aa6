#pragma once
// One Corvane Installer at a time: a named mutex that only SYSTEM and administrators can make or
// use. A run as SYSTEM lives in session 0, whose Local\ namespace is the global one where any
// user may make objects: a same-named object someone else made is passed over, never waited on.
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "base/win32/handles.h"

namespace cvinst {

// The names tried in turn: the first that is free, or holds another installer's lock, decides.
inline constexpr std::array<std::wstring_view, 4> kInstanceLockNames = {
    L"Local\\Corvane.CVInst", L"Local\\Corvane.CVInst.2", L"Local\\Corvane.CVInst.3",
    L"Local\\Corvane.CVInst.4"};

struct InstanceLock {
    win::unique_handle mutex;   // held: this run is the one installer
    bool otherRunning = false;  // another installer holds it
    // Said once in the log: same-named objects that were there and were passed over.
    std::string note;
};

// With administrator rights the lock is made with kLockSecurity, and one that is found is
// another installer's only when its descriptor says so: owned by SYSTEM or Administrators (or a
// member of it) and usable by nobody else. Without them (an interactive user, who may change
// nothing anyway) any same-named object counts as another installer, as it always has.
InstanceLock TakeInstanceLock(bool administrator,
                              std::span<const std::wstring_view> names = kInstanceLockNames);

}  // namespace cvinst
