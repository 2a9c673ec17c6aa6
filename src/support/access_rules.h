#pragma once
// Whether something a run as SYSTEM or as an administrator relies on (its lock, its log folder,
// its log file) could have been made, or can be changed, by someone without those rights. The
// Win32 layer reads the real security descriptor into a `Protection`; the decision is here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cvinst {

// Who a security descriptor names, as far as these decisions go.
enum class Principal {
    System,
    Administrators,
    AdministratorMember,  // an account known to be in the Administrators group
    TrustedInstaller,
    Users,
    AuthenticatedUsers,
    Everyone,
    Other,  // any other account or group: assumed to be no administrator
};

// SYSTEM, Administrators, a member of it, or the Windows modules installer.
bool IsAdministrative(Principal who);

struct AccessEntry {
    bool allows = true;  // an allowing entry; a denying one takes nothing away here
    Principal who = Principal::Other;
    uint32_t rights = 0;
    bool inheritOnly = false;  // only for what is made inside, not for the object itself
};

struct Protection {
    std::optional<Principal> owner;                // none: the object has no owner
    std::optional<std::vector<AccessEntry>> dacl;  // none: no list, everyone may do everything
};

// Access rights as Windows numbers them, for the decisions below.
namespace rights {
inline constexpr uint32_t kWriteData = 0x00000002u;    // FILE_WRITE_DATA, a folder's FILE_ADD_FILE
inline constexpr uint32_t kAppendData = 0x00000004u;   // ... FILE_ADD_SUBDIRECTORY
inline constexpr uint32_t kDeleteChild = 0x00000040u;  // FILE_DELETE_CHILD
inline constexpr uint32_t kMutexModify = 0x00000001u;  // MUTEX_MODIFY_STATE
inline constexpr uint32_t kDelete = 0x00010000u;
inline constexpr uint32_t kWriteDac = 0x00040000u;
inline constexpr uint32_t kWriteOwner = 0x00080000u;
inline constexpr uint32_t kSynchronize = 0x00100000u;
inline constexpr uint32_t kGenericAll = 0x10000000u;
inline constexpr uint32_t kGenericExecute = 0x20000000u;
inline constexpr uint32_t kGenericWrite = 0x40000000u;
}  // namespace rights

// The rights that change a file or a folder: write or add to it, delete it or what it holds,
// change its permissions or its owner.
inline constexpr uint32_t kFileChangingRights =
    rights::kWriteData | rights::kAppendData | rights::kDeleteChild | rights::kDelete |
    rights::kWriteDac | rights::kWriteOwner | rights::kGenericWrite | rights::kGenericAll;
// The rights that take a mutex (waiting on it takes it), release it or change who may.
inline constexpr uint32_t kMutexTakingRights =
    rights::kMutexModify | rights::kSynchronize | rights::kDelete | rights::kWriteDac |
    rights::kWriteOwner | rights::kGenericExecute | rights::kGenericWrite | rights::kGenericAll;

// Why an object with this protection could have been made, or can be changed through `rights`, by
// someone who is no administrator: its owner is not administrative, or it has no access list, or
// the list lets anyone else have one of `rights`. Nothing when only administrators could.
// Denying entries are not weighed: an object that needs one to be safe is refused, which is the
// safe side.
std::optional<std::string> OpenToNonAdministrators(const Protection& protection, uint32_t rights);

// The same, for what may be changed only: the owner is not looked at.
std::optional<std::string> ChangeableByNonAdministrators(const Protection& protection,
                                                         uint32_t rights);

// How a log names a principal: "Users", "Everyone", "an account that is no administrator"...
std::string PrincipalName(Principal who);

}  // namespace cvinst
