// The descriptors CVInst gives its lock and its log folder, read back from real objects, and the
// lock taken against same-named objects that others made. Wine keeps a kernel object's
// descriptor as it was given; of a file's it keeps only what its Unix mode bits can say.
#include "support/win32/security.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "base/win32/text.h"
#include "startup/win32/instance_lock.h"
#include "support/win32/log_file.h"
#include "win32_files.h"

namespace cvinst {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr uint32_t kMutexAll = 0x001F0001u;  // GENERIC_ALL as a mutex maps it
constexpr uint32_t kGenericAll = 0x10000000u;

bool GrantsAll(uint32_t rights) { return rights == kGenericAll || rights == kMutexAll; }

// The entries of a protection as "who:allows" for a compact comparison.
std::vector<std::string> Trustees(const Protection& protection) {
    std::vector<std::string> who;
    for (const AccessEntry& entry : protection.dacl.value_or(std::vector<AccessEntry>{})) {
        who.push_back(PrincipalName(entry.who) + (entry.allows ? "" : " denied"));
    }
    return who;
}

TEST(Security, TheLogFoldersDescriptorGivesUsersReadAtMostAndTakesNothingFromAbove) {
    const win::unique_hlocal descriptor = SecurityFromText(kLogFolderSecurity);
    ASSERT_TRUE(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    const std::optional<Protection> protection = ProtectionOf(descriptor.get());
    ASSERT_TRUE(protection);
    EXPECT_EQ(protection->owner, Principal::Administrators);
    EXPECT_THAT(Trustees(*protection), ::testing::ElementsAre("SYSTEM", "Administrators", "Users"));
    EXPECT_EQ(protection->dacl->at(2).rights & kFileChangingRights, 0u);
    EXPECT_EQ(OpenToNonAdministrators(*protection, kFileChangingRights), std::nullopt);
    for (const wchar_t* text : {kLockSecurity, kLockSecurityOwnOwner}) {
        const std::optional<Protection> lock = ProtectionOf(SecurityFromText(text).get());
        ASSERT_TRUE(lock);
        EXPECT_THAT(Trustees(*lock), ::testing::ElementsAre("SYSTEM", "Administrators"));
    }
}

TEST(Security, AFolderMadeProtectedIsOpenToNoOneElse) {
    testkit::TempFolder folder;
    ASSERT_TRUE(folder.Made());
    const std::string made = folder.File("Corvane");
    ASSERT_TRUE(CreateProtectedFolder(made));
    EXPECT_FALSE(CreateProtectedFolder(made)) << "it is there already";
    const win::unique_hfile handle(CreateFileW(win::Wide(made).c_str(), READ_CONTROL,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(handle);
    const std::optional<Protection> protection = ProtectionOf(handle.get(), SE_FILE_OBJECT);
    ASSERT_TRUE(protection);
    // Wine: the owner is this process's own user, who holds Administrators.
    ASSERT_TRUE(protection->owner);
    EXPECT_TRUE(IsAdministrative(*protection->owner));
    EXPECT_EQ(OpenToNonAdministrators(*protection, kFileChangingRights), std::nullopt);
}

// Names of the tests' own, so that no installer running beside them is disturbed.
constexpr std::array<std::wstring_view, 2> kNames = {L"Local\\CVInstTest.Lock",
                                                     L"Local\\CVInstTest.Lock.2"};

TEST(InstanceLock, IsMadeForAdministratorsOnlyAndFoundAgainAsAnotherInstallers) {
    const InstanceLock first = TakeInstanceLock(true, kNames);
    ASSERT_TRUE(first.mutex);
    EXPECT_FALSE(first.otherRunning);
    EXPECT_EQ(first.note, "");
    const std::optional<Protection> protection = ProtectionOf(first.mutex.get(), SE_KERNEL_OBJECT);
    ASSERT_TRUE(protection);
    EXPECT_EQ(protection->owner, Principal::Administrators);
    EXPECT_THAT(Trustees(*protection), ::testing::ElementsAre("SYSTEM", "Administrators"));
    for (const AccessEntry& entry : *protection->dacl) EXPECT_TRUE(GrantsAll(entry.rights));

    const InstanceLock second = TakeInstanceLock(true, kNames);
    EXPECT_FALSE(second.mutex);
    EXPECT_TRUE(second.otherRunning);
    EXPECT_EQ(second.note, "");
}

// What someone without rights may leave under the lock's name before any installer runs.
struct Squatter {
    const char* what;
    const wchar_t* security;  // the mutex's descriptor; nullptr: default security
    bool event = false;       // an object of another kind
    const char* said;
};

class InstanceLockSquatted : public ::testing::TestWithParam<Squatter> {};

TEST_P(InstanceLockSquatted, IsPassedOverWithOneNoteAndStillKeepsASecondInstallerOut) {
    const Squatter& row = GetParam();
    win::unique_hlocal descriptor;
    if (row.security) descriptor = SecurityFromText(row.security);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
    const std::wstring name(kNames[0]);
    const win::unique_handle theirs(
        row.event ? CreateEventW(nullptr, FALSE, FALSE, name.c_str())
                  : CreateMutexW(row.security ? &attributes : nullptr, TRUE, name.c_str()));
    ASSERT_TRUE(theirs) << row.what;

    const InstanceLock lock = TakeInstanceLock(true, kNames);
    ASSERT_TRUE(lock.mutex) << row.what;
    EXPECT_FALSE(lock.otherRunning);
    EXPECT_EQ(lock.note,
              "Passed over as no installer's lock: Local\\CVInstTest.Lock " + std::string(row.said))
        << row.what;
    // The second installer passes over the same object and finds the first one's lock.
    const InstanceLock second = TakeInstanceLock(true, kNames);
    EXPECT_FALSE(second.mutex);
    EXPECT_TRUE(second.otherRunning) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InstanceLockSquatted,
    ::testing::Values(
        // Wine gives an object made with default security no descriptor at all.
        Squatter{"default security", nullptr, false, "has no owner"},
        Squatter{"open to everyone", L"O:BAD:(A;;GA;;;WD)", false, "can be changed by Everyone"},
        Squatter{"users may wait on it", L"O:BAD:(A;;GA;;;BA)(A;;0x100000;;;BU)", false,
                 "can be changed by Users"},
        Squatter{"closed to administrators", L"O:BAD:P(A;;GA;;;SY)", false,
                 "does not let administrators use it"},
        Squatter{"another kind of object", nullptr, true, "is no lock (6)"}));

TEST(InstanceLock, WithEveryNameTakenTheRunGoesOnWithoutOne) {
    std::vector<win::unique_handle> theirs;
    for (const std::wstring_view view : kNames) {
        theirs.emplace_back(CreateMutexW(nullptr, TRUE, std::wstring(view).c_str()));
        ASSERT_TRUE(theirs.back());
    }
    const InstanceLock lock = TakeInstanceLock(true, kNames);
    EXPECT_FALSE(lock.mutex);
    EXPECT_FALSE(lock.otherRunning);
    EXPECT_THAT(lock.note, HasSubstr("Local\\CVInstTest.Lock.2 has no owner"));
    EXPECT_THAT(lock.note, ::testing::EndsWith("; this run goes on without a lock"));
}

TEST(InstanceLock, WithoutRightsAnyObjectOfThatNameIsAnotherInstaller) {
    const InstanceLock first = TakeInstanceLock(false, kNames);
    ASSERT_TRUE(first.mutex);
    const InstanceLock second = TakeInstanceLock(false, kNames);
    EXPECT_FALSE(second.mutex);
    EXPECT_TRUE(second.otherRunning);
    EXPECT_THAT(second.note, IsEmpty());
}

}  // namespace
}  // namespace cvinst
