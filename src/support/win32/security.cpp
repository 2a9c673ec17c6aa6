#include "support/win32/security.h"

#include <aclapi.h>
#include <sddl.h>
#include <string>

namespace cvinst {

namespace {

// NT SERVICE\TrustedInstaller, the owner of much of the Windows folder.
constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool TokenHoldsAdministrators() {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

bool IsOwnUser(PSID sid) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return false;
    const win::unique_handle token(raw);
    BYTE buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof buffer, &size)) return false;
    return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid);
}

bool IsTrustedInstaller(PSID sid) {
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return false;
    const win::unique_hlocal owned(text);
    return std::wstring(text) == kTrustedInstaller;
}

Principal PrincipalOf(PSID sid) {
    if (!sid || !IsValidSid(sid)) return Principal::Other;
    if (IsWellKnownSid(sid, WinLocalSystemSid)) return Principal::System;
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return Principal::Administrators;
    if (IsWellKnownSid(sid, WinBuiltinUsersSid)) return Principal::Users;
    if (IsWellKnownSid(sid, WinAuthenticatedUserSid)) return Principal::AuthenticatedUsers;
    if (IsWellKnownSid(sid, WinWorldSid)) return Principal::Everyone;
    if (IsTrustedInstaller(sid)) return Principal::TrustedInstaller;
    if (IsOwnUser(sid) && TokenHoldsAdministrators()) return Principal::AdministratorMember;
    return Principal::Other;
}

}  // namespace

win::unique_hlocal SecurityFromText(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
        return {};
    }
    return win::unique_hlocal(descriptor);
}

std::optional<Protection> ProtectionOf(PSECURITY_DESCRIPTOR descriptor) {
    if (!descriptor || !IsValidSecurityDescriptor(descriptor)) return std::nullopt;
    Protection protection;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) return std::nullopt;
    if (owner) protection.owner = PrincipalOf(owner);
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted)) return std::nullopt;
    // No list, or a null one, lets everyone do everything.
    if (!present || !dacl) return protection;
    std::vector<AccessEntry> entries;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) return std::nullopt;
        const auto* header = static_cast<const ACE_HEADER*>(raw);
        AccessEntry entry;
        entry.inheritOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE ||
            header->AceType == ACCESS_DENIED_ACE_TYPE) {
            // Both have the same layout: the mask, then the trustee's SID.
            const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(raw);
            entry.allows = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
            entry.rights = ace->Mask;
            entry.who = PrincipalOf(const_cast<DWORD*>(&ace->SidStart));
        } else {
            // An entry of another kind (object, callback) may grant anything to anyone.
            entry.allows = true;
            entry.rights = GENERIC_ALL;
            entry.who = Principal::Other;
        }
        entries.push_back(entry);
    }
    protection.dacl = std::move(entries);
    return protection;
}

std::optional<Protection> ProtectionOf(HANDLE object, SE_OBJECT_TYPE type) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, type, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                        nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const win::unique_hlocal owned(descriptor);
    return ProtectionOf(descriptor);
}

}  // namespace cvinst
