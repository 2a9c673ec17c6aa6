#include "forms/resources.h"

#include <windows.h>

namespace cvinst::win {

std::string_view ResourceBytes(const wchar_t* type, int id) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const char*>(data), SizeofResource(module, found)};
}

}  // namespace cvinst::win
