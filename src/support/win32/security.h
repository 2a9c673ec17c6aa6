#pragma once
// Security descriptors read into what the decisions of support/access_rules.h weigh, and the
// descriptors CVInst gives what it makes for a run as SYSTEM or as an administrator.
#include <windows.h>

#include <aclapi.h>
#include <optional>

#include "base/win32/handles.h"
#include "support/access_rules.h"

namespace cvinst {

// The lock's: owned by Administrators, SYSTEM and Administrators may use it, nobody else.
inline constexpr wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
// The same where the owner cannot be Administrators (a token that may not name it): its own.
inline constexpr wchar_t kLockSecurityOwnOwner[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";
// The log folder's: SYSTEM and Administrators full control, Users read, for the folder and all it
// holds, nothing taken from the folder above (protected).
inline constexpr wchar_t kLogFolderSecurity[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";
inline constexpr wchar_t kLogFolderSecurityOwnOwner[] =
    L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)";

// A self-relative descriptor made from its text form; empty when the text is not one.
win::unique_hlocal SecurityFromText(const wchar_t* sddl);

// Who owns the object and who may do what with it; nothing when the descriptor cannot be read.
// An account counts as a member of Administrators only when it is this process's own user and
// the process holds that group: others are taken for no administrator.
std::optional<Protection> ProtectionOf(PSECURITY_DESCRIPTOR descriptor);
std::optional<Protection> ProtectionOf(HANDLE object, SE_OBJECT_TYPE type);

}  // namespace cvinst
