#include "startup/win32/environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "forms/handles.h"
#include "support/win32/regis.h"

namespace cvinst {
namespace {

constexpr wchar_t kWinlogon[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kValue[] = L"AutoAdminLogon";

struct Stored {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
    bool operator==(const Stored&) const = default;
};

void PrintTo(const Stored& s, std::ostream* os) {
    *os << "status " << s.status << ", type " << s.type << ", bytes "
        << ::testing::PrintToString(s.bytes);
}

Stored ReadLogonValue() {
    Stored s;
    win::unique_hkey key;
    s.status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_QUERY_VALUE, key.put());
    if (s.status != ERROR_SUCCESS) return s;
    DWORD size = 0;
    s.status = RegQueryValueExW(key.get(), kValue, nullptr, &s.type, nullptr, &size);
    if (s.status != ERROR_SUCCESS) return s;
    s.bytes.resize(size);
    s.status = RegQueryValueExW(key.get(), kValue, nullptr, &s.type, s.bytes.data(), &size);
    s.bytes.resize(size);
    return s;
}

// The machine's logon key of the test prefix, put back as it was after each test. Wine gives
// every process full rights, so here the write test always may write.
class MachineLogonKey : public ::testing::Test {
protected:
    void SetUp() override {
        original_ = ReadLogonValue();
        ASSERT_TRUE(original_.status == ERROR_SUCCESS || original_.status == ERROR_FILE_NOT_FOUND);
    }
    void TearDown() override {
        win::unique_hkey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_SET_VALUE, key.put()),
                  ERROR_SUCCESS);
        if (original_.status == ERROR_SUCCESS) {
            RegSetValueExW(key.get(), kValue, 0, original_.type, original_.bytes.data(),
                           static_cast<DWORD>(original_.bytes.size()));
        } else {
            RegDeleteValueW(key.get(), kValue);
        }
    }
    void Put(DWORD type, const std::vector<BYTE>& bytes) {
        win::unique_hkey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_SET_VALUE, key.put()),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), kValue, 0, type, bytes.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    void Remove() {
        win::unique_hkey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, KEY_SET_VALUE, key.put()),
                  ERROR_SUCCESS);
        RegDeleteValueW(key.get(), kValue);
    }

    Stored original_;
};

TEST_F(MachineLogonKey, AnAbsentValueIsCreatedAsTextZero) {
    Remove();
    EXPECT_TRUE(CanWriteMachineSettings());
    const Stored after = ReadLogonValue();
    ASSERT_EQ(after.status, ERROR_SUCCESS);
    EXPECT_EQ(after.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(after.bytes, (std::vector<BYTE>{'0', 0, 0, 0}));
}

TEST_F(MachineLogonKey, ActionsAreAllowedAndTheSettingIsUnchanged) {
    const Stored text{ERROR_SUCCESS, REG_SZ, {'1', 0, 0, 0}};
    Put(text.type, text.bytes);
    EXPECT_TRUE(EnvironmentAllowsActions());
    EXPECT_EQ(ReadLogonValue(), text);

    const Stored number{ERROR_SUCCESS, REG_DWORD, {1, 0, 0, 0}};
    Put(number.type, number.bytes);
    EXPECT_TRUE(EnvironmentAllowsActions());
    EXPECT_EQ(ReadLogonValue(), number);
}

TEST_F(MachineLogonKey, AFullwidthDigitIsNotTurnedIntoItsAsciiLookalike) {
    // "１" (U+FF11) has no place in the Western code page, whose nearest character for it is
    // "1": written back that way, it would switch automatic logon on.
    const Stored fullwidth{ERROR_SUCCESS, REG_SZ, {0x11, 0xFF, 0, 0}};
    Put(fullwidth.type, fullwidth.bytes);
    EXPECT_TRUE(EnvironmentAllowsActions());
    EXPECT_EQ(ReadLogonValue(), fullwidth);
}

}  // namespace
}  // namespace cvinst
