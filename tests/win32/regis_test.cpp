#include "support/win32/regis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "forms/handles.h"
#include "forms/text.h"

namespace cvinst {
namespace {

using win::unique_hkey;

struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

RawValue QueryA(HKEY key, const char* name) {
    RawValue v;
    DWORD size = 0;
    v.status = RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size);
    if (v.status != ERROR_SUCCESS) return v;
    v.bytes.resize(size);
    v.status = RegQueryValueExA(key, name, nullptr, &v.type, v.bytes.data(), &size);
    v.bytes.resize(size);
    return v;
}

RawValue QueryW(HKEY key, const wchar_t* name) {
    RawValue v;
    DWORD size = 0;
    v.status = RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size);
    if (v.status != ERROR_SUCCESS) return v;
    v.bytes.resize(size);
    v.status = RegQueryValueExW(key, name, nullptr, &v.type, v.bytes.data(), &size);
    v.bytes.resize(size);
    return v;
}

std::vector<BYTE> Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(p, p + size);
}

std::vector<BYTE> WideBytes(std::wstring_view text) {
    return Bytes(text.data(), text.size() * sizeof(wchar_t));
}

// Each test works on HKCU\Software\CVInstTests\<suite>.<test>, removed before and after.
class RegisTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        pathUtf8_ = "Software\\CVInstTests\\" + name;
        path_ = win::Wide(pathUtf8_);
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key_.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    }

    void PutW(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) {
        ASSERT_EQ(RegSetValueExW(key_.get(), name, 0, type, bytes.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    // Stores exactly these bytes. RegSetValueExW counts one more character for a text whose
    // last counted character is not NUL when a NUL follows in memory; the buffer here never
    // has one there.
    void PutExactly(const wchar_t* name, DWORD type, const std::vector<BYTE>& bytes) {
        std::vector<BYTE> buffer = bytes;
        buffer.insert(buffer.end(), {0xFF, 0xFF});
        ASSERT_EQ(RegSetValueExW(key_.get(), name, 0, type, buffer.data(),
                                 static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
        const RawValue stored = QueryW(key_.get(), name);
        ASSERT_EQ(stored.type, type);
        ASSERT_EQ(stored.bytes, bytes) << "not stored as given";
    }
    std::string Read(std::string_view name, std::string_view def) {
        return RegReadText(HKEY_CURRENT_USER, pathUtf8_, name, def);
    }

    std::string pathUtf8_;
    std::wstring path_;
    unique_hkey key_;
};

// RegWriteValue ------------------------------------------------------------------------------

struct SzCase {
    const char* label;
    RegValue value;
    std::string storedAnsi;  // without the NUL
};

class RegWriteSz : public RegisTest, public ::testing::WithParamInterface<SzCase> {};

TEST_P(RegWriteSz, StoresTheTextAndOneNul) {
    const SzCase& c = GetParam();
    ASSERT_EQ(RegWriteValue(key_.get(), "Text", REG_SZ, c.value), ERROR_SUCCESS);
    const RawValue a = QueryA(key_.get(), "Text");
    ASSERT_EQ(a.status, ERROR_SUCCESS);
    EXPECT_EQ(a.type, static_cast<DWORD>(REG_SZ));
    std::vector<BYTE> expected(c.storedAnsi.begin(), c.storedAnsi.end());
    expected.push_back(0);
    EXPECT_EQ(a.bytes, expected);
    // As the system keeps it: the same characters in UTF-16, one terminator, nothing after.
    const RawValue w = QueryW(key_.get(), L"Text");
    EXPECT_EQ(w.bytes.size(), (c.storedAnsi.size() + 1) * sizeof(wchar_t));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegWriteSz,
    ::testing::Values(SzCase{"ThreeCharacters", RegValue(std::string("abc")), "abc"},
                      SzCase{"Number", RegValue(int32_t{-12}), "-12"},
                      SzCase{"Empty", RegValue(), ""},
                      SzCase{"Path", RegValue(std::string("C:\\Program Files (x86)")),
                             "C:\\Program Files (x86)"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegisTest, WriteSzConvertsUtf8ToTheAnsiCodePage) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western ANSI code page";
    const RegValue text(std::string("d\xC3\xA9j\xC3\xA0"));
    ASSERT_EQ(RegWriteValue(key_.get(), "Caf\xC3\xA9", REG_SZ, text), ERROR_SUCCESS);
    const RawValue w = QueryW(key_.get(), L"Caf\u00e9");
    ASSERT_EQ(w.status, ERROR_SUCCESS);
    EXPECT_EQ(w.bytes, WideBytes(std::wstring(L"d\u00e9j\u00e0") + L'\0'));
}

struct DwordCase {
    const char* label;
    RegValue value;
    DWORD stored;
};

class RegWriteDword : public RegisTest, public ::testing::WithParamInterface<DwordCase> {};

TEST_P(RegWriteDword, StoresFourBytes) {
    ASSERT_EQ(RegWriteValue(key_.get(), "Number", REG_DWORD, GetParam().value), ERROR_SUCCESS);
    const RawValue v = QueryW(key_.get(), L"Number");
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_DWORD));
    const DWORD expected = GetParam().stored;
    EXPECT_EQ(v.bytes, Bytes(&expected, sizeof expected));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegWriteDword,
    ::testing::Values(DwordCase{"Text", RegValue(std::string("42")), 42},
                      DwordCase{"Negative", RegValue(int32_t{-5}), 0xFFFFFFFBu},
                      DwordCase{"NegativeText", RegValue(std::string("-1")), 0xFFFFFFFFu},
                      DwordCase{"Largest", RegValue(std::string("2147483647")), 0x7FFFFFFFu}),
    [](const auto& info) { return std::string(info.param.label); });

class RegWriteRejected : public RegisTest,
                         public ::testing::WithParamInterface<std::pair<unsigned long, RegValue>> {
};

TEST_P(RegWriteRejected, WritesNothingAndLeavesAnOldValueAlone) {
    const auto& [type, value] = GetParam();
    const std::vector<BYTE> old = WideBytes(std::wstring(L"keep") + L'\0');
    PutW(L"Kept", REG_SZ, old);
    EXPECT_EQ(RegWriteValue(key_.get(), "Kept", type, value), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegWriteValue(key_.get(), "New", type, value), ERROR_INVALID_PARAMETER);

    const RawValue kept = QueryW(key_.get(), L"Kept");
    EXPECT_EQ(kept.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(kept.bytes, old);
    EXPECT_EQ(QueryW(key_.get(), L"New").status, ERROR_FILE_NOT_FOUND);
}

INSTANTIATE_TEST_SUITE_P(
    Values, RegWriteRejected,
    ::testing::Values(
        std::make_pair(static_cast<unsigned long>(REG_DWORD), RegValue(std::string("abc"))),
        std::make_pair(static_cast<unsigned long>(REG_DWORD), RegValue(std::string("4294967296"))),
        std::make_pair(static_cast<unsigned long>(REG_DWORD), RegValue(std::string("12abc"))),
        std::make_pair(static_cast<unsigned long>(REG_DWORD), RegValue()),
        std::make_pair(static_cast<unsigned long>(REG_EXPAND_SZ), RegValue(std::string("abc"))),
        std::make_pair(static_cast<unsigned long>(REG_BINARY), RegValue(int32_t{1}))));

TEST_F(RegisTest, WriteReportsThePlatformStatus) {
    unique_hkey readOnly;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, KEY_QUERY_VALUE, readOnly.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(RegWriteValue(readOnly.get(), "Text", REG_SZ, RegValue(std::string("x"))),
              ERROR_ACCESS_DENIED);
    EXPECT_NE(RegWriteValue(nullptr, "Text", REG_SZ, RegValue(std::string("x"))), ERROR_SUCCESS);
    EXPECT_EQ(QueryW(key_.get(), L"Text").status, ERROR_FILE_NOT_FOUND);
}

// RegReadText and RegReadUnicodeText -------------------------------------------------------------

// The rules both readers follow; they differ only in how the text passes the API.
using Reader = std::string (*)(HKEY, std::string_view, std::string_view, std::string_view);

struct NamedReader {
    const char* name;
    Reader read;
};

void PrintTo(const NamedReader& reader, std::ostream* os) { *os << reader.name; }

class ReadRules : public RegisTest, public ::testing::WithParamInterface<NamedReader> {
protected:
    std::string Read(std::string_view name, std::string_view def) {
        return GetParam().read(HKEY_CURRENT_USER, pathUtf8_, name, def);
    }
};

TEST_P(ReadRules, GiveAStoredPathExactly) {
    PutW(L"ProgramFilesDir", REG_SZ, WideBytes(std::wstring(L"C:\\Program Files") + L'\0'));
    EXPECT_EQ(Read("ProgramFilesDir", "default"), "C:\\Program Files");
}

TEST_P(ReadRules, GiveTheDefaultForAMissingKeyOrValue) {
    EXPECT_EQ(Read("Absent", "fallback"), "fallback");
    EXPECT_EQ(GetParam().read(HKEY_CURRENT_USER, pathUtf8_ + "\\No\\Such\\Key", "Absent", "fb"),
              "fb");
    EXPECT_EQ(Read("Absent", ""), "");
}

TEST_P(ReadRules, GiveTheDefaultForEveryTypeButText) {
    PutW(L"Expand", REG_EXPAND_SZ, WideBytes(std::wstring(L"%SystemRoot%") + L'\0'));
    const DWORD one = 1;
    PutW(L"Dword", REG_DWORD, Bytes(&one, sizeof one));
    PutW(L"Binary", REG_BINARY, Bytes("abc", 4));
    PutW(L"Multi", REG_MULTI_SZ, WideBytes(std::wstring(L"a\0b\0\0", 5)));
    for (const char* name : {"Expand", "Dword", "Binary", "Multi"}) {
        EXPECT_EQ(Read(name, "dflt"), "dflt") << name;
    }
}

TEST_P(ReadRules, StopAtAnEmbeddedNul) {
    PutW(L"Nul", REG_SZ, WideBytes(std::wstring(L"abc\0def\0", 8)));
    EXPECT_EQ(Read("Nul", "dflt"), "abc");
}

TEST_P(ReadRules, GiveTextWithoutTerminatorWithoutPadding) {
    PutExactly(L"Bare", REG_SZ, WideBytes(L"abc"));
    EXPECT_EQ(Read("Bare", "dflt"), "abc");
}

TEST_P(ReadRules, GiveEmptyTextNotTheDefault) {
    PutW(L"Empty", REG_SZ, WideBytes(std::wstring(1, L'\0')));
    PutW(L"NoBytes", REG_SZ, {});
    EXPECT_EQ(Read("Empty", "dflt"), "");
    EXPECT_EQ(Read("NoBytes", "dflt"), "");
}

TEST_P(ReadRules, TakeAnOpenKeyAsRoot) {
    unique_hkey sub;
    ASSERT_EQ(RegCreateKeyExW(key_.get(), L"Sub\\Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              sub.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(sub.get(), L"V", 0, REG_SZ, Bytes(L"deep", 10).data(), 10),
              ERROR_SUCCESS);
    EXPECT_EQ(GetParam().read(key_.get(), "Sub\\Deeper", "V", "dflt"), "deep");
    EXPECT_EQ(GetParam().read(sub.get(), "", "V", "dflt"), "deep");
}

INSTANTIATE_TEST_SUITE_P(Readers, ReadRules,
                         ::testing::Values(NamedReader{"RegReadText", RegReadText},
                                           NamedReader{"RegReadUnicodeText", RegReadUnicodeText}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegisTest, ReadersWithoutADefaultGiveEmptyText) {
    EXPECT_EQ(RegReadText(HKEY_CURRENT_USER, pathUtf8_, "Absent"), "");
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, pathUtf8_, "Absent"), "");
}

TEST_F(RegisTest, ReadConvertsAnsiTextToUtf8) {
    if (GetACP() != 1252) GTEST_SKIP() << "needs the Western ANSI code page";
    PutW(L"Caf\u00e9", REG_SZ, WideBytes(std::wstring(L"C:\\Programme \u00e9t\u00e9") + L'\0'));
    EXPECT_EQ(Read("Caf\xC3\xA9", "dflt"), "C:\\Programme \xC3\xA9t\xC3\xA9");
}

TEST_F(RegisTest, UnicodeReadGivesTextOutsideTheCodePageWhole) {
    // No ANSI code page holds both Cyrillic and Japanese; the key and the value are named
    // outside the Western one too.
    unique_hkey sub;
    ASSERT_EQ(RegCreateKeyExW(key_.get(), L"Установка", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              sub.put(), nullptr),
              ERROR_SUCCESS);
    const std::vector<BYTE> text = WideBytes(std::wstring(L"C:\\Программы\\セットアップ") + L'\0');
    ASSERT_EQ(RegSetValueExW(sub.get(), L"Папка", 0, REG_SZ, text.data(),
                             static_cast<DWORD>(text.size())),
              ERROR_SUCCESS);
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, pathUtf8_ + "\\Установка", "Папка", "dflt"),
              "C:\\Программы\\セットアップ");
}

TEST_F(RegisTest, UnicodeReadLeavesOutAStrayOddByte) {
    PutExactly(L"Odd", REG_SZ, {'a', 0, 'b'});
    EXPECT_EQ(RegReadUnicodeText(HKEY_CURRENT_USER, pathUtf8_, "Odd", "dflt"), "a");
}

// CanWriteSettings ---------------------------------------------------------------------------

TEST_F(RegisTest, WriteTestCreatesAnAbsentValueAsTextZero) {
    EXPECT_TRUE(CanWriteSettings(HKEY_CURRENT_USER, pathUtf8_));
    const RawValue v = QueryA(key_.get(), "AutoAdminLogon");
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v.bytes, Bytes("0", 2));
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
    PutExactly(L"AutoAdminLogon", stored.type, stored.bytes);
    EXPECT_TRUE(CanWriteSettings(HKEY_CURRENT_USER, pathUtf8_));
    const RawValue v = QueryW(key_.get(), L"AutoAdminLogon");
    ASSERT_EQ(v.status, ERROR_SUCCESS);
    EXPECT_EQ(v.type, stored.type);
    EXPECT_EQ(v.bytes, stored.bytes);
}

const DWORD kOne = 1;
const DWORD kZero = 0;

std::vector<BYTE> Terminated(std::wstring_view text) {
    return WideBytes(std::wstring(text) + L'\0');
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
        StoredSetting{"NumberOne", REG_DWORD, Bytes(&kOne, sizeof kOne)},
        StoredSetting{"NumberZero", REG_DWORD, Bytes(&kZero, sizeof kZero)},
        StoredSetting{"ExpandableText", REG_EXPAND_SZ, Terminated(L"%One%")},
        StoredSetting{"Binary", REG_BINARY, {0x01, 0x00, 0xFF}},
        StoredSetting{"EmptyBinary", REG_BINARY, {}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RegisTest, WriteTestOnAKeyThatCannotBeOpenedIsFalseAndCreatesNothing) {
    // Wine runs every process with full rights and ignores a key's access list for it, so a
    // refused open is shown with a key whose parent does not exist: RegOpenKeyExA fails as it
    // would for a user without rights.
    const std::string missing = pathUtf8_ + "\\Missing\\Winlogon";
    EXPECT_FALSE(CanWriteSettings(HKEY_CURRENT_USER, missing));
    unique_hkey probe;
    EXPECT_EQ(RegOpenKeyExW(key_.get(), L"Missing", 0, KEY_READ, probe.put()),
              ERROR_FILE_NOT_FOUND);
    DWORD values = 1;
    DWORD subkeys = 1;
    ASSERT_EQ(RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(subkeys, 0u);
}

}  // namespace
}  // namespace cvinst
