#include "support/access_rules.h"

namespace cvinst {

bool IsAdministrative(Principal who) {
    switch (who) {
    case Principal::System:
    case Principal::Administrators:
    case Principal::AdministratorMember:
    case Principal::TrustedInstaller:
        return true;
    default:
        return false;
    }
}

std::string PrincipalName(Principal who) {
    switch (who) {
    case Principal::System:
        return "SYSTEM";
    case Principal::Administrators:
        return "Administrators";
    case Principal::AdministratorMember:
        return "an administrator";
    case Principal::TrustedInstaller:
        return "TrustedInstaller";
    case Principal::Users:
        return "Users";
    case Principal::AuthenticatedUsers:
        return "Authenticated Users";
    case Principal::Everyone:
        return "Everyone";
    case Principal::Other:
        break;
    }
    return "an account that is no administrator";
}

std::optional<std::string> ChangeableByNonAdministrators(const Protection& protection,
                                                         uint32_t rights) {
    if (!protection.dacl) return "has no access list, so everyone may change it";
    for (const AccessEntry& entry : *protection.dacl) {
        if (entry.allows && !entry.inheritOnly && !IsAdministrative(entry.who) &&
            (entry.rights & rights) != 0) {
            return "can be changed by " + PrincipalName(entry.who);
        }
    }
    return std::nullopt;
}

std::optional<std::string> OpenToNonAdministrators(const Protection& protection, uint32_t rights) {
    if (!protection.owner) return "has no owner";
    if (!IsAdministrative(*protection.owner)) {
        return "is owned by " + PrincipalName(*protection.owner);
    }
    return ChangeableByNonAdministrators(protection, rights);
}

}  // namespace cvinst
