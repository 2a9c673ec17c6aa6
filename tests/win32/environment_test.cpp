#include "startup/win32/environment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win32/handles.h"
#include "support/win32/regis.h"
#include "win32_machine.h"

namespace cvinst {
namespace {

using testkit::StoredValue;

constexpr wchar_t kWinlogon[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kValue[] = "AutoAdminLogon";

win::unique_hkey LogonKey(REGSAM access) {
    win::unique_hkey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kWinlogon, 0, access, key.put());
    return key;
}

StoredValue ReadLogonValue() {
    const win::unique_hkey key = LogonKey(KEY_QUERY_VALUE);
    return key ? testkit::ReadValue(key.get(), kValue) : StoredValue{};
}

// The machine's logon key of the test prefix, put back as it was after each test. Wine gives
// every process full rights, so here the write test always may write.
class MachineLogonKey : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(key_);
        original_ = ReadLogonValue();
        ASSERT_TRUE(original_.status == ERROR_SUCCESS || original_.status == ERROR_FILE_NOT_FOUND);
    }
    void TearDown() override {
        if (original_.status == ERROR_SUCCESS) {
            testkit::WriteValue(key_.get(), kValue, original_.type, original_.bytes);
        } else {
            RegDeleteValueA(key_.get(), kValue);
        }
    }
    void Put(const StoredValue& value) {
        ASSERT_EQ(testkit::WriteValue(key_.get(), kValue, value.type, value.bytes), ERROR_SUCCESS);
    }

    win::unique_hkey key_ = LogonKey(KEY_SET_VALUE);
    StoredValue original_;
};

TEST_F(MachineLogonKey, AnAbsentValueIsCreatedAsTextZero) {
    RegDeleteValueA(key_.get(), kValue);
    EXPECT_TRUE(CanWriteMachineSettings());
    EXPECT_EQ(ReadLogonValue(), (StoredValue{ERROR_SUCCESS, REG_SZ, {'0', 0, 0, 0}}));
}

struct Setting {
    const char* name;
    StoredValue stored;
};

class LogonSetting : public MachineLogonKey, public ::testing::WithParamInterface<Setting> {};

TEST_P(LogonSetting, AllowsActionsAndStaysByteForByte) {
    Put(GetParam().stored);
    EXPECT_TRUE(EnvironmentAllowsActions());
    EXPECT_EQ(ReadLogonValue(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, LogonSetting,
    ::testing::Values(Setting{"TextOne", {ERROR_SUCCESS, REG_SZ, {'1', 0, 0, 0}}},
                      Setting{"NumberOne", {ERROR_SUCCESS, REG_DWORD, {1, 0, 0, 0}}},
                      // "１" (U+FF11) has no place in the Western code page, whose nearest
                      // character for it is "1": written back that way, it would switch
                      // automatic logon on.
                      Setting{"FullwidthDigitOne", {ERROR_SUCCESS, REG_SZ, {0x11, 0xFF, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cvinst
