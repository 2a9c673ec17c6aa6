#include "support/access_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup/session.h"

namespace cvinst {
namespace {

using P = Principal;

AccessEntry Allow(P who, uint32_t granted) { return {true, who, granted, false}; }

constexpr uint32_t kFull = 0x001F01FFu;         // FILE_ALL_ACCESS
constexpr uint32_t kReadExecute = 0x001200A9u;  // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
constexpr uint32_t kMutexAll = 0x001F0001u;     // MUTEX_ALL_ACCESS

struct ProtectionCase {
    const char* what;
    Protection protection;
    uint32_t rights;
    std::optional<std::string> problem;
};

class OpenToNonAdministratorsTest : public ::testing::TestWithParam<ProtectionCase> {};

TEST_P(OpenToNonAdministratorsTest, OnlyAnAdministrativeOwnerAndListPass) {
    const ProtectionCase& row = GetParam();
    EXPECT_EQ(OpenToNonAdministrators(row.protection, row.rights), row.problem) << row.what;
}

const std::vector<AccessEntry> kLogFolder = {
    Allow(P::System, kFull), Allow(P::Administrators, kFull), Allow(P::Users, kReadExecute)};

INSTANTIATE_TEST_SUITE_P(
    Rows, OpenToNonAdministratorsTest,
    ::testing::Values(
        ProtectionCase{"the folder CVInst makes",
                       {P::Administrators, kLogFolder},
                       kFileChangingRights,
                       std::nullopt},
        ProtectionCase{
            "made by SYSTEM", {P::System, kLogFolder}, kFileChangingRights, std::nullopt},
        ProtectionCase{"made by an administrator's own account",
                       {P::AdministratorMember, kLogFolder},
                       kFileChangingRights,
                       std::nullopt},
        ProtectionCase{"made by a user",
                       {P::Other, kLogFolder},
                       kFileChangingRights,
                       "is owned by an account that is no administrator"},
        ProtectionCase{
            "owned by Users", {P::Users, kLogFolder}, kFileChangingRights, "is owned by Users"},
        ProtectionCase{"no owner", {std::nullopt, kLogFolder}, kFileChangingRights, "has no owner"},
        ProtectionCase{"no access list",
                       {P::Administrators, std::nullopt},
                       kFileChangingRights,
                       "has no access list, so everyone may change it"},
        ProtectionCase{"Users may add files (as in ProgramData)",
                       {P::System, {{Allow(P::System, kFull), Allow(P::Users, 0x00000002u)}}},
                       kFileChangingRights,
                       "can be changed by Users"},
        ProtectionCase{"Users may add folders",
                       {P::System, {{Allow(P::Users, 0x00000004u)}}},
                       kFileChangingRights,
                       "can be changed by Users"},
        ProtectionCase{"Authenticated Users may delete",
                       {P::System, {{Allow(P::AuthenticatedUsers, 0x00010000u)}}},
                       kFileChangingRights,
                       "can be changed by Authenticated Users"},
        ProtectionCase{"Everyone may change the permissions",
                       {P::System, {{Allow(P::Everyone, 0x00040000u)}}},
                       kFileChangingRights,
                       "can be changed by Everyone"},
        ProtectionCase{"Everyone may take the owner",
                       {P::System, {{Allow(P::Everyone, 0x00080000u)}}},
                       kFileChangingRights,
                       "can be changed by Everyone"},
        ProtectionCase{"Everyone may delete what the folder holds",
                       {P::System, {{Allow(P::Everyone, 0x00000040u)}}},
                       kFileChangingRights,
                       "can be changed by Everyone"},
        ProtectionCase{"a user granted generic write",
                       {P::System, {{Allow(P::Other, 0x40000000u)}}},
                       kFileChangingRights,
                       "can be changed by an account that is no administrator"},
        ProtectionCase{"a user granted generic all",
                       {P::System, {{Allow(P::Other, 0x10000000u)}}},
                       kFileChangingRights,
                       "can be changed by an account that is no administrator"},
        ProtectionCase{"a denied write is not weighed",
                       {P::System, {{{false, P::Users, kFull, false}, Allow(P::Users, kFull)}}},
                       kFileChangingRights,
                       "can be changed by Users"},
        ProtectionCase{"a denying entry alone takes nothing",
                       {P::System, {{{false, P::Everyone, kFull, false}}}},
                       kFileChangingRights,
                       std::nullopt},
        ProtectionCase{"write only for what is made inside (CREATOR OWNER)",
                       {P::TrustedInstaller, {{{true, P::Other, kFull, true}}}},
                       kFileChangingRights,
                       std::nullopt},
        ProtectionCase{"the lock CVInst makes",
                       {P::Administrators,
                        {{Allow(P::System, kMutexAll), Allow(P::Administrators, kMutexAll)}}},
                       kMutexTakingRights,
                       std::nullopt},
        ProtectionCase{"a lock everyone may wait on",
                       {P::Administrators, {{Allow(P::Everyone, 0x00100000u)}}},
                       kMutexTakingRights,
                       "can be changed by Everyone"},
        ProtectionCase{"a lock users may release",
                       {P::System, {{Allow(P::Users, 0x00000001u)}}},
                       kMutexTakingRights,
                       "can be changed by Users"},
        ProtectionCase{"a lock users may only query",
                       {P::System, {{Allow(P::Users, 0x00020000u)}}},
                       kMutexTakingRights,
                       std::nullopt},
        ProtectionCase{"a lock a user made with default security",
                       {P::Other, std::nullopt},
                       kMutexTakingRights,
                       "is owned by an account that is no administrator"}));

TEST(ChangeableByNonAdministrators, LooksAtTheListOnly) {
    EXPECT_EQ(ChangeableByNonAdministrators({P::Other, kLogFolder}, kFileChangingRights),
              std::nullopt);
    EXPECT_EQ(
        ChangeableByNonAdministrators({P::Other, {{Allow(P::Users, kFull)}}}, kFileChangingRights),
        "can be changed by Users");
}

struct SessionCase {
    std::optional<bool> visible;
    std::optional<unsigned long> session;
    bool seen;
};

class AnyoneSeesTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(AnyoneSeesTest, OnlyAVisibleStationOutsideSessionZero) {
    const SessionCase& row = GetParam();
    EXPECT_EQ(AnyoneSees(row.visible, row.session), row.seen);
}

INSTANTIATE_TEST_SUITE_P(Rows, AnyoneSeesTest,
                         ::testing::Values(SessionCase{true, 1, true}, SessionCase{true, 7, true},
                                           SessionCase{true, 0, false},
                                           SessionCase{false, 1, false},
                                           SessionCase{false, 0, false},
                                           SessionCase{std::nullopt, 1, false},
                                           SessionCase{true, std::nullopt, false}));

}  // namespace
}  // namespace cvinst
