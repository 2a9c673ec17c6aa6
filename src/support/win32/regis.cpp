#include "support/win32/regis.h"

#include <algorithm>
#include <vector>

#include "base/win32/handles.h"
#include "base/win32/text.h"

namespace cvinst {

namespace {

constexpr REGSAM kKeyRights = 0x3F;
constexpr char kWinlogonKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kAutoAdminLogon[] = "AutoAdminLogon";
constexpr wchar_t kAutoAdminLogonW[] = L"AutoAdminLogon";

LONG WriteBytes(HKEY key, const std::string& ansiName, DWORD type, const BYTE* data, DWORD size) {
    return RegSetValueExA(key, ansiName.c_str(), 0, type, data, size);
}

// A value as the registry stores it.
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

LONG ReadStored(HKEY key, const wchar_t* name, StoredValue& value) {
    for (;;) {
        DWORD size = 0;
        LONG status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        value.bytes.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &value.type, value.bytes.data(), &size);
        // The value grew since it was measured: measure it again.
        if (status == ERROR_MORE_DATA) continue;
        value.bytes.resize(size);
        return status;
    }
}

LONG WriteStored(HKEY key, const wchar_t* name, const StoredValue& value) {
    // For text types RegSetValueExW stores one character more than counted when the last counted
    // one is not NUL and a NUL follows it in memory, taking it for a terminator left out of the
    // count. Nothing after these bytes may look like one, or a text without terminator would
    // come back with one.
    std::vector<BYTE> buffer = value.bytes;
    buffer.insert(buffer.end(), {0xFF, 0xFF});
    return RegSetValueExW(key, name, 0, value.type, buffer.data(),
                          static_cast<DWORD>(value.bytes.size()));
}

}  // namespace

LONG RegWriteValue(HKEY key, std::string_view name, unsigned long type, const RegValue& value) {
    const std::string ansiName = win::AnsiFromUtf8(name);
    switch (type) {
    case REG_SZ: {
        const std::vector<uint8_t> bytes = EncodeRegSzBytes(win::AnsiFromUtf8(RegValueText(value)));
        return WriteBytes(key, ansiName, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

std::string RegReadUnicodeText(HKEY root, std::string_view path, std::string_view name,
                               std::string_view def, REGSAM view) {
    win::unique_hkey key;
    if (RegOpenKeyExW(root, win::Wide(path).c_str(), 0, KEY_QUERY_VALUE | view, key.put()) !=
        ERROR_SUCCESS) {
        return std::string(def);
    }
    StoredValue value;
    if (ReadStored(key.get(), win::Wide(name).c_str(), value) != ERROR_SUCCESS ||
        value.type != REG_SZ) {
        return std::string(def);
    }
    // A stray odd byte at the end is no character.
    std::wstring text(value.bytes.size() / sizeof(wchar_t), L'\0');
    std::copy_n(value.bytes.data(), text.size() * sizeof(wchar_t),
                reinterpret_cast<BYTE*>(text.data()));
    return win::Utf8(text.substr(0, text.find(L'\0')));
}

bool CanWriteSettings(HKEY root, std::string_view path) {
    win::unique_hkey key;
    if (RegOpenKeyExW(root, win::Wide(path).c_str(), 0, kKeyRights, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    StoredValue value;
    const LONG status = ReadStored(key.get(), kAutoAdminLogonW, value);
    if (status == ERROR_FILE_NOT_FOUND) {
        return RegWriteValue(key.get(), kAutoAdminLogon, REG_SZ, RegValue(std::string("0"))) ==
               ERROR_SUCCESS;
    }
    // A setting that cannot be read cannot be put back as it is: it is not written over.
    if (status != ERROR_SUCCESS) return false;
    return WriteStored(key.get(), kAutoAdminLogonW, value) == ERROR_SUCCESS;
}

bool CanWriteMachineSettings() { return CanWriteSettings(HKEY_LOCAL_MACHINE, kWinlogonKey); }

}  // namespace cvinst
