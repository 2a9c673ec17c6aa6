#include "support/win32/regis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/win32/handles.h"
#include "base/win32/text.h"
#include "win32_machine.h"

namespace cvinst {
namespace {

using testkit::ReadValue;
using testkit::StoredValue;
using win::unique_hkey;

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

std::vector<BYTE> WideBytes(std::wstring_view text) {
    return Bytes(text.data(), text.size() * sizeof(wchar_t));
}

std::vector<BYTE> Terminated(std::wstring_view text) {
    return WideBytes(std::wstring(text) + L'\0');
}

std::vector<BYTE> DwordBytes(DWORD value) { return Bytes(&value, sizeof value); }

// Each test works on a registry key of its own, removed before and after.
class RegisTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(key.get()); }

    void PutW(std::string_view name, DWORD type, const std::vector<BYTE>& bytes) {
        ASSERT_EQ(testkit::WriteValue(key.get(), name, type, bytes), ERROR_SUCCESS);
    }
    // Stores exactly these bytes. RegSetValueExW counts one more character for a text whose
    // last counted character is not NUL when a NUL follows in memory; the buffer here never
    // has one there.
    void PutExactly(std::string_view name, DWORD type, const std::vector<BYTE>& bytes) {
        std::vector<BYTE> buffer = bytes;
        buffer.insert(buffer.end(), {0xFF, 0xFF});
        ASSERT_EQ(RegSetValueExW(key.get(), win::Wide(name).c_str(), 0, type, buffer.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        ASSERT_EQ(ReadValue(key.get(), name), (StoredValue{ERROR_SUCCESS, type, bytes}))
            << "not stored as given";
    }
    std::string Read(std::string_view name, std::string_view def) {
        return RegReadUnicodeText(HKEY_CURRENT_USER, key.Path(), name, def);
    }
    // A key under the test's own holding a text value.
    unique_hkey SubKeyWith(std::string_view path, std::string_view name, std::wstring_view text) {
        unique_hkey sub;
        EXPECT_EQ(RegCreateKeyExW(key.get(), win::Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, sub.put(), nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(testkit::WriteValue(sub.get(), name, REG_SZ, Terminated(text)), ERROR_SUCCESS);
        return sub;
    }

    testkit::ScratchKey key;
};

// RegWriteValue ------------------------------------------------------------------------------

struct WriteCase {
    const char* label;
    unsigned long type;
    RegValue value;
    std::optional<StoredValue> stored;  // nothing: refused with ERROR_INVALID_PARAMETER
};

class RegWrite : public RegisTest, public ::testing::WithParamInterface<WriteCase> {};

// Over an old value and as a new one: stored exactly, or refused with nothing written.
TEST_P(RegWrite, StoresExactlyOrWritesNothing) {
    const WriteCase& c = GetParam();
    const StoredValue old{ERROR_SUCCESS, REG_SZ, Terminated(L"keep")};
    PutW("Old", old.type, old.bytes);
    const LONG status = c.stored ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
    EXPECT_EQ(RegWriteValue(key.get(), "Old", c.type, c.value), status);
    EXPECT_EQ(RegWriteValue(key.get(), "New", c.type, c.value), status);
    EXPECT_EQ(ReadValue(key.get(), "Old"), c.stored.value_or(old));
    EXPECT_EQ(ReadValue(key.get(), "New"), c.stored.value_or(StoredValue{}));
}

StoredValue Sz(std::wstring_view text) { return {ERROR_SUCCESS, REG_SZ, Terminated(text)}; }

INSTANTIATE_TEST_SUITE_P(
    Values, RegWrite,
    ::testing::Values(
        // Text and numbers as text, with one NUL.
        WriteCase{"SzThreeCharacters", REG_SZ, RegValue(std::string("abc")), Sz(L"abc")},
        WriteCase{"SzNumber", REG_SZ, RegValue(int32_t{-12}), Sz(L"-12")},
        WriteCase{"SzEmpty", REG_SZ, RegValue(), Sz(L"")},
        WriteCase{"SzPath", REG_SZ, RegValue(std::string("C:\\Program Files (x86)")),
                  Sz(L"C:\\Program Files (x86)")},
        // A type it does not write.
        WriteCase{"Dword", REG_DWORD, RegValue(std::string("42")), std::nullopt},
        WriteCase{"ExpandSz", REG_EXPAND_SZ, RegValue(std::string("abc")), std::nullopt},
        WriteCase{"Binary", REG_BINARY, RegValue(int32_t{1}), std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegisTest, WriteSzConvertsUtf8ToTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western ANSI code page";
    const RegValue text(std::string("d\xC3\xA9j\xC3\xA0"));
    ASSERT_EQ(RegWriteValue(key.get(), "Caf\xC3\xA9", REG_SZ, text), ERROR_SUCCESS);
    EXPECT_EQ(ReadValue(key.get(), "Caf\xC3\xA9"), Sz(L"d\u00e9j\u00e0"));
}

TEST_F(RegisTest, WriteReportsThePlatformStatus) {
    unique_hkey readOnly;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, win::Wide(key.Path()).c_str(), 0, KEY_QUERY_VALUE,
                            readOnly.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegWriteValue(readOnly.get(), "Text", REG_SZ, RegValue(std::string("x"))),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(RegWriteValue(nullptr, "Text", REG_SZ, RegValue(std::string("x"))), ERROR_SUCCESS);
    EXPECT_EQ(ReadValue(key.get(), "Text").status, ERROR_FILE_NOT_FOUND);
}

// RegReadUnicodeText -----------------------------------------------------------------------------

TEST_F(RegisTest, ReadGivesAStoredPathExactly) {
    PutW("ProgramFilesDir", REG_SZ, Terminated(L"C:\\Program Files"));
    EXPECT_EQ(Read("ProgramFilesDir", "default"), "C:\\Program Files");
}

TEST_F(RegisTest, ReadGivesTheDefaultForAMissingKeyOrValue) {
    EXPECT_EQ(Read("Absent", "fallback"), "fallback");
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, key.Path() + "\\No\\Such\\Key", "Absent", "fb"),
              "fb");
    EXPECT_EQ(Read("Absent", ""), "");
}

TEST_F(RegisTest, ReadGivesTheDefaultForEveryTypeButText) {
    PutW("Expand", REG_EXPAND_SZ, Terminated(L"%SystemRoot%"));
    PutW("Dword", REG_DWORD, DwordBytes(1));
    PutW("Binary", REG_BINARY, Bytes("abc", 4));
    PutW("Multi", REG_MULTI_SZ, WideBytes(std::wstring(L"a\0b\0\0", 5)));
    for (const char* name : {"Expand", "Dword", "Binary", "Multi"}) {
        EXPECT_EQ(Read(name, "dflt"), "dflt") << name;
    }
}

TEST_F(RegisTest, ReadStopsAtAnEmbeddedNul) {
    PutW("Nul", REG_SZ, WideBytes(std::wstring(L"abc\0def\0", 8)));
    EXPECT_EQ(Read("Nul", "dflt"), "abc");
}

TEST_F(RegisTest, ReadGivesTextWithoutTerminatorWithoutPadding) {
    PutExactly("Bare", REG_SZ, WideBytes(L"abc"));
    EXPECT_EQ(Read("Bare", "dflt"), "abc");
}

TEST_F(RegisTest, ReadGivesEmptyTextNotTheDefault) {
    PutW("Empty", REG_SZ, Terminated(L""));
    PutW("NoBytes", REG_SZ, {});
    EXPECT_EQ(Read("Empty", "dflt"), "");
    EXPECT_EQ(Read("NoBytes", "dflt"), "");
}

TEST_F(RegisTest, ReadTakesAnOpenKeyAsRoot) {
    const unique_hkey sub = SubKeyWith("Sub\\Deeper", "V", L"deep");
    EXPECT_EQ(RegReadUnicodeText(key.get(), "Sub\\Deeper", "V", "dflt"), "deep");
    EXPECT_EQ(RegReadUnicodeText(sub.get(), "", "V", "dflt"), "deep");
}

TEST_F(RegisTest, ReadWithoutADefaultGivesEmptyText) {
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, key.Path(), "Absent"), "");
}

TEST_F(RegisTest, UnicodeReadGivesTextOutsideTheCodePageWhole) {
    // No ANSI code page holds both Cyrillic and Japanese; the key and the value are named
    // outside the Western one too.
    SubKeyWith("Установка", "Папка", L"C:\\Программы\\セットアップ");
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, key.Path() + "\\Установка", "Папка", "dflt"),
              "C:\\Программы\\セットアップ");
}

TEST_F(RegisTest, UnicodeReadLeavesOutAStrayOddByte) {
    PutExactly("Odd", REG_SZ, {'a', 0, 'b'});
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, key.Path(), "Odd", "dflt"), "a");
}

// CanWriteSettings ---------------------------------------------------------------------------

TEST_F(RegisTest, WriteTestCreatesAnAbsentValueAsTextZero) {
    EXPECT_TRUE(CanWriteSettings(HKEY_CURRENT_USER, key.Path()));
    EXPECT_EQ(ReadValue(key.get(), "AutoAdminLogon"), Sz(L"0"));
}

// A stored setting the write test must leave byte for byte as it is.
struct StoredSetting {
    const char* label;
    DWORD type;
    std::vector<BYTE> bytes;
};

void PrintTo(const StoredSetting& stored, std::ostream* os) { *os << stored.label; }

class WriteTestKeeps : public RegisTest, public ::testing::WithParamInterface<StoredSetting> {};

TEST_P(WriteTestKeeps, TheStoredSettingExactly) {
    const StoredSetting& stored = GetParam();
    PutExactly("AutoAdminLogon", stored.type, stored.bytes);
    EXPECT_TRUE(CanWriteSettings(HKEY_CURRENT_USER, key.Path()));
    EXPECT_EQ(ReadValue(key.get(), "AutoAdminLogon"),
              (StoredValue{ERROR_SUCCESS, stored.type, stored.bytes}));
}

INSTANTIATE_TEST_SUITE_P(
    Values, WriteTestKeeps,
    ::testing::Values(
        StoredSetting{"TextOne", REG_SZ, Terminated(L"1")},
        StoredSetting{"TextZero", REG_SZ, Terminated(L"0")},
        StoredSetting{"Text", REG_SZ, Terminated(L"yes please")},
        StoredSetting{"TextWithEmbeddedNul", REG_SZ, Terminated(std::wstring(L"1\0x", 3))},
        StoredSetting{"TextWithoutTerminator", REG_SZ, WideBytes(L"1")},
        StoredSetting{"TextOfOddLength", REG_SZ, {'1', 0, '0'}},
        StoredSetting{"EmptyText", REG_SZ, {}},
        StoredSetting{"TextOutsideTheCodePage", REG_SZ, Terminated(L"Ж")},
        // The Western code page's nearest character for it is "1": automatic logon on.
        StoredSetting{"FullwidthDigitOne", REG_SZ, Terminated(L"\uFF11")},
        StoredSetting{"NumberOne", REG_DWORD, DwordBytes(1)},
        StoredSetting{"NumberZero", REG_DWORD, DwordBytes(0)},
        StoredSetting{"ExpandableText", REG_EXPAND_SZ, Terminated(L"%One%")},
        StoredSetting{"Binary", REG_BINARY, {0x01, 0x00, 0xFF}},
        StoredSetting{"EmptyBinary", REG_BINARY, {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegisTest, WriteTestOnAKeyThatCannotBeOpenedIsFalseAndCreatesNothing) {
    // Wine runs every process with full rights and ignores a key's access list for it, so a
    // refused open is shown with a key whose parent does not exist: RegOpenKeyExA fails as it
    // would for a user without rights.
    const std::string missing = key.Path() + "\\Missing\\Winlogon";
    EXPECT_FALSE(CanWriteSettings(HKEY_CURRENT_USER, missing));
    unique_hkey probe;
    EXPECT_EQ(RegOpenKeyExW(key.get(), L"Missing", 0, KEY_READ, probe.put()), ERROR_FILE_NOT_FOUND);
    DWORD values = 1;
    DWORD subkeys = 1;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(subkeys, 0u);
}

}  // namespace
}  // namespace cvinst
