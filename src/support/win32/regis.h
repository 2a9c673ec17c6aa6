#pragma once
// Regis: the program's registry operations, thin layers over the registry API that report the
// platform's status or the caller's default and never show anything.
// RegWriteValue keeps the ANSI call so that its text keeps its established round trip through the
// ANSI code page; what must not lose a character or a byte uses the W calls.
#include <windows.h>

#include <string>
#include <string_view>

#include "support/reg_value.h"

namespace cvinst {

// Writes one value of an open key the caller owns. REG_SZ only; any other type writes nothing and
// gives ERROR_INVALID_PARAMETER.
LONG RegWriteValue(HKEY key, std::string_view name, unsigned long type, const RegValue& value);

// The REG_SZ text of a value, cut at its first NUL, read through the W calls so that characters
// the ANSI code page cannot hold come back whole; `def` when the key or value is missing or the
// value has any other type. `view` may name the registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY);
// 0 is the process's own.
std::string RegReadUnicodeText(HKEY root, std::string_view path, std::string_view name,
                               std::string_view def = "", REGSAM view = 0);

// Whether this user may change "AutoAdminLogon" of the given key (opened with the rights 0x3F):
// the value is written back with exactly the type and bytes it has, whatever they are; an absent
// one is created as REG_SZ "0". The answer is whether that write succeeded.
bool CanWriteSettings(HKEY root, std::string_view path);

// The start-up rights test on the machine's logon key.
bool CanWriteMachineSettings();

}  // namespace cvinst
